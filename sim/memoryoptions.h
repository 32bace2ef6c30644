#pragma once

// korvo-sim's options for uploads and downloads: where the device memory comes from (--memory FILE,
// --empty, built-in demo contents otherwise), --corrupt-hmi-block N and --wire-rate BAUD.

#include "sim/memoryresponder.h"

#include <QCommandLineParser>
#include <memory>

namespace korvo {

class MemoryOptions
{
public:
    void addTo(QCommandLineParser &parser);
    // A responder for controller as the options say; nullptr with *error when the memory file cannot be
    // read.
    std::unique_ptr<MemoryResponder> responder(const QCommandLineParser &parser, ControllerSim &controller,
                                               QString *error) const;
    // 0 when --wire-rate is not given.
    int wireRate(const QCommandLineParser &parser) const;

private:
    QCommandLineOption m_memory{QStringLiteral("memory"),
                                QStringLiteral("Load the device's contents from a listing."),
                                QStringLiteral("file")};
    QCommandLineOption m_empty{QStringLiteral("empty"), QStringLiteral("Start with an empty device.")};
    QCommandLineOption m_corruptHmiBlock{QStringLiteral("corrupt-hmi-block"),
                                         QStringLiteral("Send this HMI block once with a wrong check byte."),
                                         QStringLiteral("n")};
    QCommandLineOption m_wireRate{
        QStringLiteral("wire-rate"),
        QStringLiteral("Carry everything both ways at the pace of a serial line of this rate."),
        QStringLiteral("baud")};
};

} // namespace korvo
