#pragma once

// What assistive tools see of a function-key bar: a group of ten buttons named by their captions, each
// with the press action, although the bar draws its keys itself.

namespace korvo {

// Registers the bar's accessible interface with Qt; later calls do nothing.
void installFunctionKeyAccessible();

} // namespace korvo
