#pragma once

// What the widget benchmarks share: program options whose preferences file lives in a given folder, a
// prompt that nobody has to answer, and the wait for a window's first painted frame.

#include "app/programoptions.h"
#include "app/prompt.h"
#include "settings/preferences.h"

#include <QEventLoop>
#include <QObject>
#include <memory>
#include <vector>

class QMainWindow;
class QWidget;

namespace korvo {
class MainWindow;
class TerminalScreen;
} // namespace korvo

namespace korvo::bench {

ProgramOptions freshOptions(const QString &folder);
// Writes prefs as the options' preferences file.
bool writePrefs(const ProgramOptions &options, const Preferences &prefs);
// Terminal slot n (from 1) of prefs: the default terminal, shown, named "Terminal n" on port n.
CommWindowSettings &addTerminalSlot(Preferences &prefs, int n);

// Answers every question as if its default button were pressed.
class DefaultAnswerPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;
};

// Ends an event loop once the first frame of a window has been painted in full: the whole widget tree is
// painted in one pass after the first paint event, so the next turn of the event loop is the end of it.
class FirstFrame : public QObject
{
public:
    explicit FirstFrame(QEventLoop &loop);
    ~FirstFrame() override;
    void watch(QWidget *window) { m_window = window; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QEventLoop &m_loop;
    QWidget *m_window = nullptr;
    bool m_seen = false;
};

// A large workspace (nine terminals, 20 edit windows on 200-line programs, and any further edit windows on
// new documents) written into folder as the preferences and files of a fresh start.
void writeLargeWorkspace(const QString &folder, int editWindows = 20);
// The main window on the workspace in options' folder, returned once its first frame is painted; says so
// when it does not hold the given number of child windows.
std::unique_ptr<MainWindow> showWorkspace(const ProgramOptions &options, Prompt &prompt, int windows = 29);

// The large workspace's widgets built bare (nine terminal views and twenty Praxis editors in a main window,
// with no preferences, files or links): what the toolkit itself needs to show them.
struct ToolkitFloor
{
    ToolkitFloor();
    ~ToolkitFloor();
    std::vector<std::unique_ptr<TerminalScreen>> screens;
    std::unique_ptr<QMainWindow> window;
};
// The floor, returned once its first frame is painted.
std::unique_ptr<ToolkitFloor> showToolkitFloor();

} // namespace korvo::bench
