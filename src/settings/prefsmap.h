#pragma once

// The preferences file's scalar keys, each with its type and default, in the order they are written.
// One table serves both directions: the reader and the writer are visitors with the methods
//   int16(key, field, default)  int32(...)  boolean(...)  single(...)  text(...)  character(...)
//   deviceType(...)  optionalText(key, field)  optionalHex16(key, field)
// where int16, int32 and single may take a fifth argument, the range the Preferences dialog allows (the
// reader clamps to it, the writer ignores it),
// and the same function walks a record of the preferences document (reading) or a const one (writing).

#include "settings/preferences.h"
#include "settings/prefslimits.h"

#include <QString>

namespace korvo::prefsmap {

template <class V, class Setup, class Count> void setup(V &v, Setup &s, Count &docCt, Count &commCt)
{
    v.int16("State", s.state, 2);
    v.int32("Left", s.left, 0);
    v.int32("Top", s.top, 0);
    v.int32("Width", s.width, 12045);
    v.int32("Height", s.height, 7785);
    v.int16("FullName", s.fullName, 0);
    v.int16("UseFileName", s.useFileName, 1);
    v.int16("RemFileHistory", s.remFileHistory, 1);
    v.int16("MaxFileHistoryCt", s.maxFileHistoryCt, 4, limits::kRecentFiles);
    v.int16("FileHistoryCt", s.fileHistoryCt, 0);
    v.int16("DocCt", docCt, 1);
    v.int16("CommCt", commCt, 1);
    v.boolean("ShowBaudChange", s.showBaudChange, true);
    // Where device discovery asks ("host" or "host:port"); written only when set, broadcast otherwise.
    v.optionalText("DiscoveryTarget", s.discoveryTarget);
}

// [TXT Document] (plain text) and [KXT Document] (programs, with the classes of the syntax colouring).
template <class V, class Style> void docStyle(V &v, Style &s, bool programs)
{
    v.text("Font", s.font, QStringLiteral("Courier New"));
    v.single("Size", s.size, 8.0f, limits::kFontSize);
    v.int16("Tab", s.tab, 2, limits::kTabSpacing);
    v.boolean("TabEn", s.tabEnabled, true);
    v.boolean("AIndent", s.autoIndent, true);
    v.int32("Margin", s.margin, 80, limits::kMargin);
    v.int32("Forecolor", s.fore[0], 0);
    v.int32("Backcolor", s.back[0], 0xFFFFFF);
    v.boolean("Bold", s.bold[0], false);
    v.boolean("Italic", s.italic[0], false);
    v.int32("SelFGnd", s.fore[1], 0);
    v.int32("SelBGnd", s.back[1], 0xC0C0C0);
    if (!programs)
        return;
    struct ColourClass
    {
        const char *fore, *back, *bold, *italic;
        int32_t foreDefault, backDefault;
    };
    static constexpr ColourClass kClasses[] = {
        {"SymFGnd", "SymBGnd", "SymBold", "SymItalic", 255, 0xFFFFFF},
        {"CmtFGnd", "CmtBGnd", "CmtBold", "CmtItalic", 0x008000, 0xFFFFFF},
        {"KWdFGnd", "KWdBGnd", "KWdBold", "KWdItalic", 0x800000, 0xFFFFFF},
        {"DtaFGnd", "DtaBGnd", "DtaBold", "DtaItalic", 0x008080, 0xFFFFFF},
        {"StrFGnd", "StrBGnd", "StrBold", "StrItalic", 128, 0xFFFFFF},
        {"SpclFGnd", "SpclBGnd", "SpclBold", "SpclItalic", 0xFF0000, 0xFFFFFF},
        {"BrkFGnd", "BrkBGnd", "BrkBold", "BrkItalic", 0x800000, 128},
        {"ExPtFGnd", "ExPtBGnd", "ExPtBold", "ExPtItalic", 0x00FFFF, 0x800000},
    };
    for (std::size_t i = 0; i < std::size(kClasses); ++i) {
        const ColourClass &c = kClasses[i];
        const std::size_t colourClass = i + 2;
        v.int32(c.fore, s.fore[colourClass], c.foreDefault);
        v.int32(c.back, s.back[colourClass], c.backDefault);
        v.boolean(c.bold, s.bold[colourClass], false);
        v.boolean(c.italic, s.italic[colourClass], false);
    }
}

// [Pgm_n]
template <class V, class Slot> void editSlot(V &v, Slot &s, int n)
{
    v.int16("State", s.state, 0);
    v.text("Name", s.name, QStringLiteral("Program%1.vxt").arg(n));
    v.int32("Width", s.width, 5130);
    v.int32("Height", s.height, 6690);
    v.int32("Top", s.top, 0);
    v.int32("Left", s.left, 0);
}

// [Comm_n] up to FGroup; FGroupCt and the keys follow their own rules (prefsfile.cpp).
template <class V, class Slot> void commSlot(V &v, Slot &s, int n)
{
    v.int16("State", s.state, 0);
    v.text("Name", s.name, QStringLiteral("Terminal%1").arg(n));
    v.int32("Width", s.width, 6720);
    v.int32("Height", s.height, 6690);
    v.int32("Top", s.top, 0);
    v.int32("Left", s.left, 5145);
    v.text("Font", s.font, QStringLiteral("Lucida Console"));
    v.single("Size", s.size, 8.0f, limits::kFontSize);
    v.boolean("Bold", s.bold, false);
    v.boolean("Italic", s.italic, false);
    v.int32("Forecolor", s.forecolor, 0);
    v.int32("Backcolor", s.backcolor, 15);
    v.boolean("AutoName", s.autoName, true);
    v.int16("Rows", s.rows, 32, limits::kRows);
    v.int16("Columns", s.columns, 60, limits::kColumns);
    v.int16("ScrollRows", s.scrollRows, 2000, limits::kScrollRows);
    v.int16("BlockCursor", s.blockCursor, 0);
    v.int16("Port", s.port, 1);
    // The serial port by name ("/dev/ttyUSB0", "COM12"), for ports that have no number.
    v.text("PortName", s.portName, QString());
    // The USB adapter seen at that port, so that the terminal follows it to another device path; written
    // only when known, so files of ports without one stay as they were.
    v.optionalHex16("UsbVendorId", s.adapter.vendorId);
    v.optionalHex16("UsbProductId", s.adapter.productId);
    v.optionalText("UsbSerial", s.adapter.serialNumber);
    v.optionalText("UsbDescription", s.adapter.description);
    v.boolean("Connected", s.connected, false);
    v.text("Settings", s.settings, QStringLiteral("9600,N,8,1"));
    v.int16("TranslateCR", s.translateCR, 0);
    v.int16("CRTranslate", s.crTranslate, 0);
    v.int16("ControlHEX", s.controlHex, 0);
    v.int16("NotCRLF", s.notCRLF, 0);
    v.int16("DisplayHEX", s.displayHex, 0);
    v.boolean("RTSActive", s.rtsActive, false);
    v.boolean("DTRActive", s.dtrActive, false);
    v.int32("CharDelay", s.charDelay, 0, limits::kDelayMs);
    v.int32("LineDelay", s.lineDelay, 0, limits::kDelayMs);
    v.deviceType("Device", s.device, Veltor);
    v.boolean("CANInterface", s.canInterface, false);
    v.boolean("TCPIPEnabled", s.tcpipEnabled, false);
    v.text("TCPAddress", s.tcpAddress, QString());
    v.boolean("FKeyEn", s.fKeyEn, true);
    v.int16("FGroup", s.fGroup, 0);
}

// [CAN Configuration]
template <class V, class Rec> void canWindow(V &v, Rec &s)
{
    v.int16("State", s.state, 0);
    v.int32("Left", s.left, 0);
    v.int32("Top", s.top, 0);
}

// [MODULE Settings] (module) and [DONGLE Settings] (adapter, without mode, name and prompt).
template <class V, class Rec> void canRecord(V &v, Rec &s, bool module)
{
    if (module) {
        v.int16("KORVOMode", s.mode, 0);
        v.character("KORVODn", s.name, '!');
        v.character("KORVOPrompt", s.prompt, '>');
    }
    v.int16("KORVOBaud", s.baud, 96);
    v.int16("BTR0", s.btr0, 83);
    v.int16("BTR1", s.btr1, 52);
    v.int16("GMS0", s.gms0, 255);
    v.int16("GMS1", s.gms1, 255);
    v.int16("UGML0", s.ugml0, 255);
    v.int16("UGML1", s.ugml1, 255);
    v.int16("LGML0", s.lgml0, 255);
    v.int16("LGML1", s.lgml1, 248);
    // Three message objects; the record's fourth element is not stored.
    for (std::size_t m = 0; m < 3; ++m) {
        const QByteArray index = "(" + QByteArray::number(static_cast<int>(m)) + ")";
        v.int16(("UAR0" + index).constData(), s.uar0[m], 255);
        v.int16(("UAR1" + index).constData(), s.uar1[m], 254);
        v.int16(("LAR0" + index).constData(), s.lar0[m], 0);
        v.int16(("LAR1" + index).constData(), s.lar1[m], 0);
        v.int16(("FLAGS" + index).constData(), s.flags[m], m == 0 ? 0 : 8);
    }
}

// [SPI Configuration]
template <class V, class Rec> void spi(V &v, Rec &s)
{
    v.int16("State", s.state, 0);
    v.int32("Left", s.left, 0);
    v.int32("Top", s.top, 0);
    v.int32("Height", s.height, 3570);
    v.int32("Width", s.width, 4680);
    v.int16("Port", s.port, 1);
    v.int32("Count", s.count, 1);
    v.int32("Rate", s.rate, 100);
    v.text("LastSent", s.lastSent, QString());
    v.boolean("Visible", s.visible, false);
    v.text("LastMsg", s.lastMsg, QString());
    v.text("PortName", s.portName, QString());
}

// [BROWSER Settings]
template <class V, class Rec> void browser(V &v, Rec &s)
{
    v.int16("State", s.state, 0);
    v.int32("Left", s.left, 0);
    v.int32("Top", s.top, 0);
    v.int32("Height", s.height, 5475);
    v.int32("Width", s.width, 4680);
}

// [RAM Viewer], kept only in factory mode.
template <class V, class Rec> void ramViewer(V &v, Rec &s)
{
    v.int32("Left", s.left, 0);
    v.int32("Top", s.top, 0);
    v.int32("Height", s.height, 2745);
    v.int32("Width", s.width, 6390);
}

} // namespace korvo::prefsmap
