#include "can/canpagewrites.h"

namespace korvo {

void foldCanPage(CanPage page, const CanRecord &from, CanRecord &to)
{
    switch (page) {
    case CanPage::BitTiming:
        to.btr0 = from.btr0;
        to.btr1 = from.btr1;
        break;
    case CanPage::Masks:
        to.gms0 = from.gms0;
        to.gms1 = from.gms1;
        to.ugml0 = from.ugml0;
        to.ugml1 = from.ugml1;
        to.lgml0 = from.lgml0;
        to.lgml1 = from.lgml1;
        break;
    case CanPage::Settings:
        to.baud = from.baud;
        to.mode = from.mode;
        to.name = from.name;
        to.prompt = from.prompt;
        break;
    case CanPage::Frame1:
    case CanPage::Frame2:
    case CanPage::Frame3: {
        const std::size_t i = frameOfPage(page);
        to.uar0[i] = from.uar0[i];
        to.uar1[i] = from.uar1[i];
        to.lar0[i] = from.lar0[i];
        to.lar1[i] = from.lar1[i];
        to.flags[i] = from.flags[i];
        break;
    }
    }
}

std::vector<CanWrite> canPageWrites(CanTarget target, CanPage page, const CanRecord &record, int charDelay,
                                    bool canSetup)
{
    const CanRecord &w = record;
    const bool module = target == CanTarget::Module;
    std::vector<CanWrite> writes;
    switch (page) {
    case CanPage::BitTiming:
        writes = {{CanCommand::Btr0, w.btr0, 0}, {CanCommand::Btr1, w.btr1, 0}};
        break;
    case CanPage::Masks:
        writes = {{CanCommand::Gms0, w.gms0, 0},   {CanCommand::Gms1, w.gms1, 0},
                  {CanCommand::Ugml0, w.ugml0, 0}, {CanCommand::Ugml1, w.ugml1, 0},
                  {CanCommand::Lgml0, w.lgml0, 0}, {CanCommand::Lgml1, w.lgml1, 0}};
        break;
    case CanPage::Settings:
        if (!module) {
            writes = {{CanCommand::Baud, w.baud, 0}};
            break;
        }
        writes = {{CanCommand::LMode, w.mode, 0},
                  {CanCommand::LAddr, w.name, 0},
                  {CanCommand::LPrmpt, w.prompt, 0},
                  {CanCommand::Baud, w.baud, 0}};
        if (canSetup)
            writes.push_back({CanCommand::CDel, charDelay, 0});
        break;
    case CanPage::Frame1:
    case CanPage::Frame2:
    case CanPage::Frame3: {
        const std::size_t i = frameOfPage(page);
        const int n = int(i) + 1; // the device numbers its frames from one
        const int flags = w.flags[i];
        const int frame = module ? n * 256 : n;
        if (module)
            writes.push_back({CanCommand::Frm, n * 100 + ((flags & 8) ? 0 : 10) + ((flags & 4) ? 1 : 0), 0});
        writes.push_back({CanCommand::Uar0, w.uar0[i], frame});
        writes.push_back({CanCommand::Uar1, w.uar1[i], frame});
        writes.push_back({CanCommand::Lar0, w.lar0[i], frame});
        writes.push_back({CanCommand::Lar1, w.lar1[i], frame});
        if (!module) {
            writes.push_back({CanCommand::Xtd, (flags & 4) / 4, frame});
            if (n == 2)
                writes.push_back({CanCommand::Mcfg, flags & 8, frame});
        }
        break;
    }
    }
    return writes;
}

} // namespace korvo
