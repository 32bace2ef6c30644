#pragma once

// The preferences document: what the preferences file holds (main-window settings, document styles, edit
// and terminal slots with their function keys, recent files, CAN, SPI, help browser and RAM-viewer
// records). Slot 0 of each slot table is the template that new windows copy; State -1 marks a free slot.

#include "app/devicecatalogue.h"
#include "app/windowkind.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <deque>

namespace korvo {

constexpr int16_t kSlotFree = -1;
constexpr int kMaxTerminals = 9;
constexpr int kColourClasses = 10;

// Main-window settings of [Setup].
struct SetupRecord
{
    int16_t state = 2;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 12045;
    int32_t height = 7785;
    int16_t fullName = 0;
    int16_t useFileName = 1;
    int16_t remFileHistory = 1;
    int16_t maxFileHistoryCt = 4;
    int16_t fileHistoryCt = 0;
    bool showBaudChange = true;
    QString
        discoveryTarget; // "host[:port]", comma-separated, for device discovery; empty: 255.255.255.255:503
};

// One entry of the document style table; colours are 0x00BBGGRR.
struct DocStyle
{
    QString font = QStringLiteral("Courier New");
    float size = 8.0f;
    std::array<bool, kColourClasses> bold{};
    std::array<bool, kColourClasses> italic{};
    int16_t tab = 2;
    bool tabEnabled = true;
    bool autoIndent = true;
    int32_t margin = 80;
    std::array<int32_t, kColourClasses> fore{0,        0,   255,      0x008000, 0x800000,
                                             0x008080, 128, 0xFF0000, 0x800000, 0x00FFFF};
    std::array<int32_t, kColourClasses> back{0xFFFFFF, 0xC0C0C0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                             0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 128,      0x800000};
};

// Edit-window slot ([Pgm_n]).
struct EditSlot
{
    int16_t state = 0;
    QString name;
    DeviceType fileKind = PlainText; // of the language set: plain text, uKorvo, Veltor, Fendra or NB
    bool modified = false;
    int32_t width = 5130;
    int32_t height = 6690;
    int32_t top = 0;
    int32_t left = 0;
};

struct FunctionKey
{
    QString label;
    QString command;
};

// The USB serial adapter a terminal was last connected through, as the system lists it: the terminal finds
// it again by these under whatever device path it comes back.
struct AdapterIdentity
{
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
    QString description; // for messages only
    bool isSet() const { return vendorId != 0 || productId != 0; }
    bool sameAdapter(const AdapterIdentity &other) const
    {
        return vendorId == other.vendorId && productId == other.productId &&
               serialNumber == other.serialNumber;
    }
};

// Terminal-window slot ([Comm_n]): a terminal's link, screen and function-key settings.
struct CommWindowSettings
{
    int16_t state = 0;
    QString name;
    int32_t width = 6720;
    int32_t height = 6690;
    int32_t top = 0;
    int32_t left = 5145;
    QString font = QStringLiteral("Lucida Console");
    float size = 8.0f;
    bool bold = false;
    bool italic = false;
    int32_t forecolor = 0;  // palette index 0..15
    int32_t backcolor = 15; // palette index 0..15
    bool autoName = true;
    int16_t rows = 32;
    int16_t columns = 60;
    int16_t scrollRows = 2000;
    int16_t blockCursor = 0;
    int16_t port = 1;
    QString portName;        // device path or COM name; wins over port when not empty
    AdapterIdentity adapter; // the USB adapter last seen at the port; not set for other ports
    bool connected = false;
    QString settings = QStringLiteral("9600,N,8,1");
    int16_t translateCR = 0;
    int16_t crTranslate = 0;
    int16_t controlHex = 0;
    int16_t notCRLF = 0;
    int16_t displayHex = 0; // bit 0: 32..127 in hex, bit 1: 128..255 in hex
    bool rtsActive = false;
    bool dtrActive = false;
    int32_t charDelay = 0;
    int32_t lineDelay = 0;
    DeviceType device = Veltor;
    bool canInterface = false;
    bool tcpipEnabled = false;
    QString tcpAddress;
    bool fKeyEn = true;
    int16_t fGroup = 0;
    int16_t fGroupCt = 1;
    QStringList groupNames{QStringLiteral("Group1")};
    std::vector<FunctionKey> keys = std::vector<FunctionKey>(10); // fGroupCt x 10, numbered from 0
};

// One CAN settings record (module, adapter, monitor, working copy); every field is 16-bit.
struct CanRecord
{
    int16_t mode = 0;
    int16_t name = '!';
    int16_t prompt = '>';
    int16_t baud = 96;
    int16_t btr0 = 83;
    int16_t btr1 = 52;
    int16_t gms0 = 255;
    int16_t gms1 = 255;
    int16_t ugml0 = 255;
    int16_t ugml1 = 255;
    int16_t lgml0 = 255;
    int16_t lgml1 = 248;
    std::array<int16_t, 4> uar0{255, 255, 255, 255};
    std::array<int16_t, 4> uar1{254, 254, 254, 254};
    std::array<int16_t, 4> lar0{};
    std::array<int16_t, 4> lar1{};
    std::array<int16_t, 4> flags{0, 8, 8, 8};
};

struct CanWindowRecord
{
    int16_t state = 0; // 0 closed; 1, 2, 3 open for module, adapter, monitor
    int32_t left = 0;
    int32_t top = 0;
};

struct SpiRecord
{
    int16_t state = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t height = 3570;
    int32_t width = 4680;
    int16_t port = 1;
    int32_t count = 1;
    int32_t rate = 100;
    QString lastSent;
    bool visible = false;
    QString lastMsg;
    QString portName; // device of the chosen port when not the usual one (a pty, /dev/ttyUSB0, /dev/parport1)
};

struct BrowserRecord
{
    int16_t state = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t height = 5475;
    int32_t width = 4680;
};

struct RamViewerRecord
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t height = 2745;
    int32_t width = 6390;
};

struct Preferences
{
    QString iniVersion; // "Ver" as read; informational
    SetupRecord setup;
    std::array<DocStyle, 3> styles; // 0 unused, 1 plain text, 2 programs
    // Windows hold references to their own slots: growing a table at its end never moves a slot.
    std::deque<EditSlot> editSlots = std::deque<EditSlot>(1);
    std::deque<CommWindowSettings> commSlots = std::deque<CommWindowSettings>(1);
    int16_t docCt = 0;
    int16_t commCt = 0;
    QStringList recentFiles;           // most recent first
    std::array<CanRecord, 4> canTable; // module, adapter, monitor, CAN window's working copy
    CanWindowRecord canWindow;
    SpiRecord spi;
    BrowserRecord browser;
    RamViewerRecord ramViewer;

    // Slot tables reset to the template slot 0 only; the template edit slot's modified flag cleared.
    void resetSlots();
    // Grows a slot table so that slot n exists, new slots being free.
    void ensureEditSlot(int n);
    void ensureCommSlot(int n);
    // Lowest free slot 1..count, else count + 1.
    int findNext(WindowKind kind) const;
    // Number of slots 1..count whose State is 0 or more.
    int countWindows(WindowKind kind) const;
};

} // namespace korvo
