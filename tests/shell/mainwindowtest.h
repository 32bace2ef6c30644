#pragma once

// What every main-window test starts from: program options naming a folder of its own, prompts answered by
// the test, and a main window started on the preferences file the test wrote.

#include "app/programoptions.h"
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
        m_options = korvo::ProgramOptions{};
        m_options.version = QStringLiteral("1.000.000");
        m_options.startDir = m_dir->path();
        m_options.programDir = qEnvironmentVariable("KORVO_BIN_DIR");
        m_options.prefFile = m_dir->filePath(QStringLiteral("korvoterm.ktm"));
        m_prompt = std::make_unique<korvo::ScriptedPrompt>();
    }

    void tearDownWorkspace()
    {
        m_prompt.reset();
        m_dir.reset();
    }

    void writePrefs(const QString &text)
    {
        QFile file(m_options.prefFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    std::unique_ptr<korvo::MainWindow> startWindow(korvo::Clock &clock = korvo::systemClock())
    {
        auto window = std::make_unique<korvo::MainWindow>(m_options, *m_prompt, nullptr,
                                                          korvo::ChildWindows::Factory(), clock);
        window->start();
        return window;
    }

    QList<QMdiSubWindow *> subWindows(korvo::MainWindow &window) const { return window.children()->all(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    korvo::ProgramOptions m_options;
    std::unique_ptr<korvo::ScriptedPrompt> m_prompt;
};
