#pragma once

// What applying one page of the CAN window means: which of the record's fields the page holds, and the
// commands that write them to the module (key=value) or to the adapter and monitor.

#include "can/canrequest.h"
#include "settings/preferences.h"

#include <vector>

namespace korvo {

// The CAN window's pages, in the order of their buttons; the three frame pages are consecutive.
enum class CanPage { BitTiming, Masks, Settings, Frame1, Frame2, Frame3 };
constexpr int kCanPages = 6;
constexpr CanPage kAllCanPages[] = {CanPage::BitTiming, CanPage::Masks,  CanPage::Settings,
                                    CanPage::Frame1,    CanPage::Frame2, CanPage::Frame3};
// Which message frame (0..2) a frame page edits.
constexpr std::size_t frameOfPage(CanPage page)
{
    return std::size_t(int(page) - int(CanPage::Frame1));
}

struct CanWrite
{
    CanCommand command;
    int value;
    int frame; // as canRequest takes it
};

// Copies a page's fields from one record into another (the settings page also the module's mode and
// characters).
void foldCanPage(CanPage page, const CanRecord &from, CanRecord &to);
// The commands of a page in the order they are sent; canSetup ("-c") adds the module's CDEL.
std::vector<CanWrite> canPageWrites(CanTarget target, CanPage page, const CanRecord &record, int charDelay,
                                    bool canSetup);

} // namespace korvo
