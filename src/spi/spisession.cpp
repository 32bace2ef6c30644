#include "spi/spisession.h"

#include "app/clock.h"
#include "spi/parallelport.h"
#include "spi/parallelspi.h"
#include "spi/spiconverterengine.h"
#include "spi/spiconverterlink.h"

#include <algorithm>
#include <chrono>

namespace korvo {

SpiSession::SpiSession(Clock &clock, LinkFactory &factory, QObject *parent)
    : QObject(parent), m_clock(clock), m_converter(std::make_unique<SpiConverterLink>(clock, factory)),
      // The send engine writes nothing itself: it asks for exchanges in its events.
      m_slot(clock, [](const LinkAction &) { return true; })
{
}

SpiSession::~SpiSession()
{
    m_slot.clear();
    m_converter.reset();
}

void SpiSession::useParallel(ParallelPort *port, const SpiCalibration &calibration)
{
    m_converter->close();
    m_parallel = port;
    m_calibration = calibration;
    m_charIndex = 1;
}

void SpiSession::useConverter(const QString &device)
{
    m_parallel = nullptr;
    if (device != m_converter->device())
        m_converterChecked = false;
    m_converter->setDevice(device);
    m_charIndex = 1;
}

void SpiSession::closeConverter()
{
    m_converter->close();
}

void SpiSession::send(SpiSendOptions options)
{
    if (m_engine)
        return;
    options.parallel = m_parallel != nullptr;
    options.converterChecked = m_converterChecked;
    options.charIndex = m_charIndex;
    m_engine = std::make_unique<SpiSendEngine>(std::move(options));
    m_slot.hold(*m_engine, [this](const std::vector<EngineEvent> &events) { stepped(events); });
    m_engine->start(m_clock.nowMs());
    m_slot.pump();
}

void SpiSession::stop()
{
    if (!m_engine)
        return;
    m_engine->cancel(m_clock.nowMs());
    // The exchange under way is dropped; its end reaches the engine, which has already stopped.
    if (m_job)
        m_converter->cancel();
    m_slot.pump();
}

void SpiSession::carry(const SpiRequest &request)
{
    const qint64 now = m_clock.nowMs();
    if (m_parallel) {
        ParallelSpi spi(*m_parallel, m_calibration);
        const auto start = std::chrono::steady_clock::now();
        QByteArray received;
        if (request.kind == SpiRequest::Kind::Char)
            received += char(spi.sendChar(quint8(request.bytes.at(0)), request.first, request.last));
        else
            received = spi.sendMessage(request.bytes);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!m_parallel->isOpen())
            m_engine->writeFailed(QStringLiteral("%1 is not open").arg(m_parallel->device()), now);
        else if (const QString error = m_parallel->accessError(); !error.isEmpty())
            m_engine->writeFailed(error, now);
        else
            m_engine->requestDone(received, ms, m_clock.nowMs());
        return;
    }
    SpiConverterEngine::Request job;
    if (request.kind == SpiRequest::Kind::CheckVersion) {
        job.job = SpiConverterEngine::Job::Version;
    } else {
        job.bytes = request.bytes;
        job.holdSelect = request.kind == SpiRequest::Kind::Char && request.first && !request.last;
        job.releaseSelect = request.kind == SpiRequest::Kind::Char && request.last && !request.first;
    }
    // Single-character mode keeps the port open until the message's last byte.
    const bool keepOpen = request.kind == SpiRequest::Kind::Char && !request.last;
    m_job = std::make_unique<SpiConverterEngine>(std::move(job));
    m_jobStart = now;
    m_converter->run(*m_job, keepOpen, [this](const std::vector<EngineEvent> &events) {
        if (std::any_of(events.begin(), events.end(), [](const EngineEvent &e) { return e.ends(); }))
            converterDone();
    });
}

void SpiSession::converterDone()
{
    // The link lets go of the job before it calls here, so the job can be freed on the way out.
    const std::unique_ptr<SpiConverterEngine> job = std::move(m_job);
    if (!m_engine || !job)
        return;
    const qint64 now = m_clock.nowMs();
    if (job->hasFailed()) {
        m_engine->writeFailed(job->failure(), now);
    } else if (job->request().job == SpiConverterEngine::Job::Version) {
        m_converterChecked = job->versionAccepted();
        m_engine->versionChecked(job->versionAccepted(), now);
    } else {
        m_engine->requestDone(job->reply(), double(now - m_jobStart), now);
    }
    m_slot.pump();
}

void SpiSession::stepped(const std::vector<EngineEvent> &events)
{
    // A run that ends in this step carries nothing more.
    const bool ends =
        std::any_of(events.begin(), events.end(), [](const EngineEvent &e) { return e.ends(); });
    for (const EngineEvent &event : events) {
        if (const auto *exchange = event.as<SpiExchange>())
            emit exchanged(*exchange);
        else if (const auto *step = event.as<EngineEvent::Progress>())
            emit progress(int(step->done), int(step->total));
        else if (const auto *request = event.as<SpiRequest>(); request && !ends && m_engine)
            carry(*request);
    }
    if (!m_engine)
        return;
    m_charIndex = m_engine->charIndex();
    if (!ends)
        return;
    m_slot.clear();
    const std::unique_ptr<SpiSendEngine> engine = std::move(m_engine);
    emit ended(engine->hasFailed() ? engine->failure() : QString(), engine->versionRefused());
}

} // namespace korvo
