#pragma once

// The bar of ten function-key buttons under a terminal (cmdFunc 0..9): two rows of five, each a fifth of
// the bar's width, captions bold except while their key runs, tool tips "(F1) caption". A click presses
// the key; the right mouse button asks for the editor on it. The buttons never take the keyboard from the
// terminal.

#include <QWidget>
#include <array>

class QPushButton;

namespace korvo {

class FunctionKeyBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kKeys = 10;

    explicit FunctionKeyBar(QWidget *parent = nullptr);

    // Captions of the current group's keys, F1 first; an empty caption shows the key's name.
    void setCaptions(const QStringList &captions);
    void setRunning(int key, bool running);
    QPushButton *button(int key) const { return m_buttons.at(size_t(key)); }

Q_SIGNALS:
    void pressed(int key);
    void editRequested(int key);

private:
    std::array<QPushButton *, kKeys> m_buttons{};
};

} // namespace korvo
