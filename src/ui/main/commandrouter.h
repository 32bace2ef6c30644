#pragma once

// Carries the File, Edit and toolbar commands of the main window to the active child: the edit window
// or the terminal window, each with its own meaning of New, Open, Save, Copy, Paste and Print.

#include "childwindows.h"

#include <QObject>

namespace korvo {

class CommWindow;
class EditWindow;
class MainWindow;

class CommandRouter : public QObject
{
    Q_OBJECT
public:
    explicit CommandRouter(MainWindow *window);

    // Builds the real terminal and edit windows.
    static ChildWindows::Factory childFactory();

    void fileCommand(int index);
    // File New; View, New Edit Window asks for a document in a window of its own.
    void newFile(bool inNewWindow = false);
    void editCommand(int index);
    void commCommand(int index);
    void toolCommand(const QString &key);
    void selectFunctionGroup(int group);

    // Loads the document of a reopened edit slot (nothing for an untitled "Program").
    void loadEditFile(int slot);
    // Size_Comm_Window and the terminal's own layout after its size changed.
    void sizeCommWindow(int slot);
    void layoutCommWindow(int slot);
    bool isConnected(int slot) const;
    // The preferences file dialog; true when a file was chosen (it is then the preferences path).
    bool choosePreferencesFile();
    // The active terminal window, or none when an edit window is active.
    CommWindow *activeComm() const;

private:
    EditWindow *activeEdit() const;
    void openFile();
    void saveFile();
    void saveAs();
    void print();
    void loadPreferences();
    void openRecent(int entry);
    // Open_Comm_File: downloads a file through the active terminal.
    void openCommFile(const QString &path);
    // "Save changes to File?" before another file replaces the active document; false = cancelled.
    bool saveBeforeReplacing(EditWindow *edit);

    MainWindow *m_window;
};

} // namespace korvo
