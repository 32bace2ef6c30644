#pragma once

// Alt letters and spoken names for the controls of a window. Captions written with an "&" keep their
// letter; every other button, check box, option button and labelled field gets the first free
// letter of its caption (a word's first letter before the others), unique among the controls shown
// together: the window's own and those of one page of a tab strip or of a stack of pages. A field
// that takes input but has no label to be named by is named after its tool tip, else after the frame around
// it, so that a screen reader can say what it is.

class QWidget;

namespace korvo {

// Run once a window's controls exist, and again after code changes a caption or shows a control: captions
// that have a letter keep it and the others get a free one. Names the unlabelled fields too.
void giveAltLetters(QWidget *window);

} // namespace korvo
