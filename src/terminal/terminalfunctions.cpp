#include "terminal/terminalfunctions.h"

#include "app/programfolders.h"
#include "app/prompt.h"
#include "functionkeys/capturefile.h"
#include "functionkeys/functionkeybar.h"
#include "functionkeys/functionkeyeditor.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "settings/preferences.h"
#include "terminal/statuspanels.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

namespace korvo {

TerminalFunctions::TerminalFunctions(Parts parts, Clock &clock) : m_parts(std::move(parts))
{
    // Shown or hidden while it is still empty: showing it later would lay its keys out for a window that
    // has no size yet, only to lay them out again when the window shows.
    m_parts.keyBarHost.setVisible(m_parts.settings().fKeyEn);
    m_bar = new FunctionKeyBar(&m_parts.keyBarHost);
    auto *layout = new QVBoxLayout(&m_parts.keyBarHost);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    m_runner = new FunctionKeyRunner(m_parts.link, clock, this);

    connect(m_bar, &FunctionKeyBar::pressed, m_runner, &FunctionKeyRunner::press);
    connect(m_bar, &FunctionKeyBar::editRequested, this, &TerminalFunctions::editKey);
    connect(m_runner, &FunctionKeyRunner::keyRunning, m_bar, &FunctionKeyBar::setRunning);
    connect(m_runner, &FunctionKeyRunner::message, this, &TerminalFunctions::showMessage);
    connect(m_runner, &FunctionKeyRunner::captureRequested, this, [this](bool on) {
        if (on)
            startCapture();
        else
            m_parts.capture.stop();
    });
    connect(m_runner, &FunctionKeyRunner::failed, this,
            [this](const QString &reason) { reportLater(reason, QString(), PromptIcon::Information); });
    connect(m_runner, &FunctionKeyRunner::finished, this, [this] { m_parts.terminal.setFocus(); });

    // Capture sees every byte first, whatever the link is doing with them.
    m_parts.link.setCaptureSink([this](const QByteArray &bytes) {
        if (!m_parts.capture.write(bytes))
            reportLater(m_parts.capture.errorText(), CaptureFile::errorTitle(), PromptIcon::Critical);
    });
    connect(&m_parts.capture, &CaptureFile::stateChanged, this, &TerminalFunctions::showCaptureState);
    showCaptureState();
    showMessage({});

    // The tip names the default capture file, which is looked up only when someone asks.
    m_parts.panels.setToolTipSource(QStringLiteral("capture"), [this] { return captureFileTip(); });
    // The "group" panel: a click offers the groups.
    connect(&m_parts.panels, &StatusRow::clicked, this, [this](const QString &key) {
        if (key == QLatin1String("group") && m_parts.settings().fKeyEn)
            QTimer::singleShot(0, this, &TerminalFunctions::chooseGroup);
    });
}

TerminalFunctions::~TerminalFunctions()
{
    m_parts.link.setCaptureSink({});
}

void TerminalFunctions::fillFuncKeys()
{
    const CommWindowSettings &s = m_parts.settings();
    QStringList captions;
    for (int k = 0; k < FunctionKeyBar::kKeys; ++k) {
        const size_t index = size_t(s.fGroup) * FunctionKeyBar::kKeys + size_t(k);
        captions << (index < s.keys.size() ? s.keys[index].label : QString());
    }
    m_bar->setCaptions(captions);
    m_parts.keyBarHost.setVisible(s.fKeyEn);
    const int number = s.fGroup + 1;
    StatusPanels &panels = m_parts.panels;
    panels.setText(QStringLiteral("group"), QString::number(number));
    panels.setPanelToolTip(
        QStringLiteral("group"),
        QStringLiteral("Function Key Group Number %1 :: %2").arg(number).arg(s.groupNames.value(s.fGroup)));
}

void TerminalFunctions::editKey(int key)
{
    if (m_runner->isRunning()) {
        m_runner->stop();
        return;
    }
    CommWindowSettings &s = m_parts.settings();
    FunctionKeyEditor editor(s, key, m_parts.fileDialogs, m_parts.prompt, &m_parts.window);
    if (editor.exec() != QDialog::Accepted)
        return;
    editor.saveFuncData(s);
    m_parts.setFunctionGroup(s.fGroup);
}

void TerminalFunctions::startCapture()
{
    CaptureFile &capture = m_parts.capture;
    // Paused is not on: the key starts a new capture over the same file.
    if (capture.state() == CaptureFile::State::On)
        return;
    const QString path =
        capture.fileName().isEmpty() ? defaultCaptureFile(m_parts.programDir) : capture.fileName();
    if (!capture.start(path))
        reportLater(capture.errorText(), CaptureFile::errorTitle(), PromptIcon::Critical);
}

void TerminalFunctions::stopCapture()
{
    m_parts.capture.stop();
}

void TerminalFunctions::showCaptureState()
{
    const QString key = QStringLiteral("capture");
    StatusPanels &panels = m_parts.panels;
    const CaptureFile &capture = m_parts.capture;
    switch (capture.state()) {
    case CaptureFile::State::On:
        panels.setText(key, QStringLiteral("Capture ON "));
        break;
    case CaptureFile::State::Paused:
        panels.setText(key, QStringLiteral("Capture OFF "));
        break;
    case CaptureFile::State::Off:
        panels.setText(key, QStringLiteral("Capture "));
        break;
    }
    panels.setPanelEnabled(key, capture.isOn());
}

QString TerminalFunctions::captureFileTip() const
{
    const CaptureFile &capture = m_parts.capture;
    const QString file =
        capture.fileName().isEmpty() ? defaultCaptureFile(m_parts.programDir) : capture.fileName();
    return QDir::toNativeSeparators(file);
}

void TerminalFunctions::showMessage(const QString &text)
{
    StatusPanels &panels = m_parts.panels;
    panels.setText(QStringLiteral("msg"), text);
    panels.setPanelToolTip(QStringLiteral("msg"), text.isEmpty() ? QStringLiteral("Messages") : text);
}

void TerminalFunctions::chooseGroup()
{
    const CommWindowSettings &s = m_parts.settings();
    QMenu menu;
    for (int g = 0; g < s.fGroupCt; ++g) {
        QAction *item = menu.addAction(QStringLiteral("Group %1 - %2").arg(g + 1).arg(s.groupNames.value(g)));
        item->setCheckable(true);
        item->setChecked(g == s.fGroup);
        item->setData(g);
    }
    StatusPanels &panels = m_parts.panels;
    const QPoint corner = panels.panelRect(QStringLiteral("group")).topLeft();
    if (QAction *chosen = menu.exec(panels.mapToGlobal(corner)))
        m_parts.setFunctionGroup(chosen->data().toInt());
}

bool TerminalFunctions::mayClose()
{
    if (!m_runner->isRunning())
        return true;
    ask(m_parts.prompt, QStringLiteral("Repeating Function Key in ") + m_parts.window.windowTitle(),
        QStringLiteral("Exiting"), PromptIcon::Critical);
    return false;
}

void TerminalFunctions::reportLater(const QString &text, const QString &title, PromptIcon icon)
{
    // Not inside the link's step that found the failure: the box waits for the event loop.
    Prompt *prompt = &m_parts.prompt;
    QTimer::singleShot(0, qApp, [prompt, text, title, icon] { ask(*prompt, text, title, icon); });
}

} // namespace korvo
