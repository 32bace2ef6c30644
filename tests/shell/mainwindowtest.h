#pragma once

// What every main-window test starts from: a fresh application state in a folder of its own, prompts
// answered by the test, and a main window started on the preferences file the test wrote.

#include "app/appstate.h"
#include "app/recoverystore.h"
#include "scriptedprompt.h"
#include "shell/childwindows.h"
#include "shell/mainwindow.h"

#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class MainWindowTest : public QObject
{
protected:
    void setUpWorkspace()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        // Recovery copies go to a test folder of their own, empty at the start of every test.
        QStandardPaths::setTestModeEnabled(true);
        QDir(korvo::RecoveryStore::defaultFolder()).removeRecursively();
        korvo::app() = korvo::AppState{};
        korvo::app().version = QStringLiteral("1.000.000");
        korvo::app().startDir = m_dir->path();
        korvo::app().programDir = qEnvironmentVariable("KORVO_BIN_DIR");
        korvo::app().prefFile = m_dir->filePath(QStringLiteral("korvoterm.ktm"));
        m_prompt = std::make_unique<korvo::ScriptedPrompt>();
    }

    void tearDownWorkspace()
    {
        m_prompt.reset();
        m_dir.reset();
    }

    void writePrefs(const QString &text)
    {
        QFile file(korvo::app().prefFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    std::unique_ptr<korvo::MainWindow> startWindow()
    {
        auto window = std::make_unique<korvo::MainWindow>();
        window->start();
        return window;
    }

    QList<QMdiSubWindow *> subWindows(korvo::MainWindow &window) const { return window.children()->all(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<korvo::ScriptedPrompt> m_prompt;
};
