#include "transfer/transferjob.h"

#include "app/cp1252.h"
#include "transfer/downloadengine.h"
#include "transfer/listingfile.h"
#include "transfer/listingreader.h"
#include "transfer/transfersource.h"
#include "transfer/uploadengine.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace korvo {

namespace {
const QString kDownloadTitle = QStringLiteral("Download to Device");

QByteArray bytesOf(const QString &text)
{
    return encodeCp1252(text).value_or(text.toLatin1());
}

// Where a text has a character that Windows-1252, the devices' code page, has no byte for.
QString unencodableLine(const QString &text)
{
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (const char32_t c : lines[i].toUcs4()) {
            const QString character = QString::fromUcs4(&c, 1);
            if (!encodeCp1252(character))
                return QStringLiteral("Line %1 holds \"%2\" (U+%3), which the device cannot take.")
                    .arg(i + 1)
                    .arg(character, QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
        }
    }
    return {};
}
// The listing a download or verify sends or compares with, or why it cannot be had.
std::optional<PromptRequest> readSource(const TransferJob::Target &target, QList<QByteArray> *lines)
{
    QByteArray bytes;
    QString error;
    if (target.file) {
        if (target.fileName.isEmpty()) {
            return PromptRequest{
                QStringLiteral(
                    "The specified file, %1, is not a valid DownLoad File.\r\nClick Transfer/Download "
                    "and enter valid filename.")
                    .arg(target.fileName),
                QStringLiteral("File is not valid"), PromptIcon::Critical};
        }
        if (!TransferSource::readFile(target.fileName, &bytes, &error)) {
            return PromptRequest{QStringLiteral("File doesn't exist\r\n%1: %2").arg(target.fileName, error),
                                 kDownloadTitle, PromptIcon::Exclamation};
        }
    } else {
        const QString text = target.editText ? target.editText() : QString();
        if (text.isEmpty()) {
            return PromptRequest{QStringLiteral("The Edit Window does not have any data to Download"),
                                 kDownloadTitle, PromptIcon::Exclamation};
        }
        const std::optional<QByteArray> encoded = encodeCp1252(text);
        if (!encoded) {
            return PromptRequest{
                QStringLiteral("The Edit Window is not sent.\r\n%1").arg(unencodableLine(text)),
                kDownloadTitle, PromptIcon::Exclamation};
        }
        if (!TransferSource::throughTemporary(*encoded, TransferSource::temporaryFolders(target.programDir),
                                              &bytes, &error)) {
            return PromptRequest{
                QStringLiteral("The Edit Window's text could not be saved for the download.\r\n%1")
                    .arg(error),
                kDownloadTitle, PromptIcon::Critical};
        }
    }
    if (!ListingReader::splitLines(bytes, lines, &error)) {
        return PromptRequest{
            QStringLiteral("%1 is not sent.\r\n%2")
                .arg(target.file ? target.fileName : QStringLiteral("The Edit Window"), error),
            kDownloadTitle, PromptIcon::Exclamation};
    }
    return std::nullopt;
}
} // namespace

TransferJob::TransferJob(CommLink &link, QObject *parent) : QObject(parent), m_link(link) {}

TransferJob::~TransferJob()
{
    m_lease.release();
    closeEdit();
}

void TransferJob::closeEdit()
{
    if (std::exchange(m_editOpen, false) && m_target.endEdit)
        m_target.endEdit();
}

QString TransferJob::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Download:
        return QStringLiteral("Download");
    case Kind::Verify:
        return QStringLiteral("Verify");
    case Kind::Upload:
        break;
    }
    return QStringLiteral("Upload");
}

bool TransferJob::isRunning() const
{
    return m_engine && !m_engine->isFinished();
}

std::optional<PromptRequest> TransferJob::prepareUpload(const Target &target)
{
    if (!target.file) {
        if (target.clearEdit)
            target.clearEdit();
        m_editOpen = true;
        return std::nullopt;
    }
    if (target.fileName.isEmpty())
        return PromptRequest{QStringLiteral("The specified file, %1, does not exist.").arg(target.fileName),
                             QStringLiteral("File doesn't exist"), PromptIcon::Critical};
    m_file = std::make_unique<ListingFile>(target.fileName);
    QString error;
    if (!m_file->open(&error)) {
        const QString text = QStringLiteral("%1: %2").arg(m_file->incompletePath(), error);
        m_file.reset();
        return PromptRequest{text, QStringLiteral("File doesn't exist"), PromptIcon::Critical};
    }
    return std::nullopt;
}

TransferJob::StartResult TransferJob::start(Kind kind, const TransferRequest &request, const Target &target)
{
    if (isRunning())
        return {StartResult::Refused, {}};
    // Another job (a function key, a tool) holds the link: it goes on, and nothing here is touched.
    if (const QString busy = m_link.busyText(); !busy.isEmpty())
        return {StartResult::Refused, {busy, QStringLiteral("Upload/Download"), PromptIcon::Exclamation}};
    m_kind = kind;
    m_request = request;
    m_target = target;
    m_lines.clear();
    m_source.clear();
    m_file.reset();
    m_fileError.clear();
    m_programName.clear();
    m_cancelled = false;
    m_question = Question::None;
    m_stepsDone = m_stepsTotal = 0;

    if (kind == Kind::Upload) {
        // Checked before anything is asked or sent: the file is written beside its final name.
        if (const QDir folder = QFileInfo(target.fileName).absoluteDir();
            target.file && !target.fileName.isEmpty() && !folder.exists()) {
            return {StartResult::Refused,
                    {QStringLiteral("The folder %1 does not exist.")
                         .arg(QDir::toNativeSeparators(folder.absolutePath())),
                     QStringLiteral("Upload from Device"), PromptIcon::Exclamation}};
        }
        if (target.file && !target.fileName.isEmpty() && QFileInfo::exists(target.fileName)) {
            m_question = Question::ReplaceFile;
            return {StartResult::NeedsAnswer,
                    {QStringLiteral("%1 already exists.\r\nReplace it with the upload when the upload ends?")
                         .arg(target.fileName),
                     QStringLiteral("Upload from Device"), PromptIcon::Exclamation, PromptButtons::YesNo}};
        }
        return startUpload();
    }
    if (const std::optional<PromptRequest> refusal = readSource(target, &m_source))
        return {StartResult::Refused, *refusal};
    const ListingReader::Selection selection =
        ListingReader::select(m_source, request.device, request.sections);
    if (request.sections != 0 && selection.found == 0) {
        m_question = Question::MissingSection;
        return {StartResult::NeedsAnswer,
                {QStringLiteral("Did not find requested Data Type,\r\nContinue with Download?"),
                 kDownloadTitle, PromptIcon::Exclamation, PromptButtons::YesNo}};
    }
    return startListing(selection);
}

TransferJob::StartResult TransferJob::answer(PromptAnswer answer)
{
    const Question question = std::exchange(m_question, Question::None);
    if (question == Question::None || answer != PromptAnswer::Yes)
        return {StartResult::Refused, {}};
    if (question == Question::ReplaceFile)
        return startUpload();
    m_request.sections = 0;
    return startListing(ListingReader::select(m_source, m_request.device, 0));
}

TransferJob::StartResult TransferJob::startUpload()
{
    if (const std::optional<PromptRequest> refusal = prepareUpload(m_target))
        return {StartResult::Refused, *refusal};
    m_engine = std::make_unique<UploadEngine>(m_request);
    return attach();
}

TransferJob::StartResult TransferJob::startListing(const ListingReader::Selection &selection)
{
    m_programName = selection.programName;
    if (m_kind == Kind::Verify) {
        // Nothing ticked: every section the listing holds is read back.
        if (m_request.sections == 0)
            m_request.sections = ListingReader::sectionsIn(m_source, m_request.device);
        m_engine = std::make_unique<UploadEngine>(m_request);
    } else {
        m_engine = std::make_unique<DownloadEngine>(selection.lines, m_request);
    }
    return attach();
}

TransferJob::StartResult TransferJob::attach()
{
    m_startMs = m_link.nowMs();
    m_lease = m_link.attach(*m_engine, kindName(m_kind),
                            [this](const std::vector<EngineEvent> &events) { onEvents(events); });
    return {StartResult::Started, {}};
}

void TransferJob::cancel()
{
    if (!isRunning())
        return;
    m_cancelled = true;
    m_lease.cancel();
}

void TransferJob::onEvents(const std::vector<EngineEvent> &events)
{
    for (const EngineEvent &event : events) {
        if (const auto *line = event.as<EngineEvent::Line>()) {
            onLine(line->text);
        } else if (const auto *progress = event.as<EngineEvent::Progress>()) {
            m_stepsDone = progress->done;
            m_stepsTotal = progress->total;
            Q_EMIT progressed();
        } else if (const auto *state = event.as<EngineEvent::Status>()) {
            // The download's only status besides its start is a failed write.
            Q_EMIT status(state->text,
                          m_kind == Kind::Download && state->text != QLatin1String("Downloading"));
        } else if (const auto *finished = event.as<EngineEvent::Finished>()) {
            end(true, finished->note);
            return;
        } else if (const auto *failure = event.as<EngineEvent::Failed>()) {
            end(false, failure->reason);
            return;
        }
    }
}

void TransferJob::onLine(const QString &line)
{
    // An HMI listing's only empty lines are the ones between steps, which a file has and an edit window
    // does not.
    if (line.isEmpty() && m_request.device == DeviceType::Hmi && !m_target.file)
        return;
    m_lines.append(line);
    if (m_kind == Kind::Upload && !m_target.file && m_target.appendEditLine)
        m_target.appendEditLine(line);
    if (m_file && m_fileError.isEmpty() && !m_file->append(line, &m_fileError))
        m_lease.cancel();
}

void TransferJob::end(bool ok, const QString &reason)
{
    m_lease.release();
    closeEdit();
    QString message;
    if (m_kind == Kind::Upload) {
        if (m_file) {
            QString error = m_fileError;
            if (ok && error.isEmpty() && !m_file->commit(&error))
                ok = false;
            if (!ok || !error.isEmpty()) {
                ok = false;
                message = QStringLiteral("The incomplete upload is kept in %1").arg(m_file->keepIncomplete());
                if (!error.isEmpty())
                    message = error + QStringLiteral("\r\n") + message;
            }
            m_file.reset();
        }
    }
    // A failure's reason, or what a finished job still has to tell.
    if (!m_cancelled && !reason.isEmpty())
        message = message.isEmpty() ? reason : reason + QStringLiteral("\r\n") + message;
    const auto *download = dynamic_cast<const DownloadEngine *>(m_engine.get());
    if (!ok && download && !download->programModeNote().isEmpty()) {
        const QString note = download->programModeNote();
        message = message.isEmpty() ? note : message + QStringLiteral("\r\n") + note;
    }
    const auto *upload = dynamic_cast<const UploadEngine *>(m_engine.get());
    if (m_cancelled && upload && upload->drain() == UploadEngine::Drain::Silent) {
        const QString drained = QStringLiteral(
            "The rest of the device's answer was read until the device was silent and not shown.");
        message = message.isEmpty() ? drained : drained + QStringLiteral("\r\n") + message;
    } else if (m_cancelled && upload && upload->drain() == UploadEngine::Drain::StillSending) {
        const QString sending = QStringLiteral(
            "The device did not fall silent after Cancel; the rest of its answer was not read.");
        message = message.isEmpty() ? sending : sending + QStringLiteral("\r\n") + message;
    }
    if (m_kind == Kind::Verify && ok) {
        QList<QByteArray> uploaded;
        for (const QString &line : std::as_const(m_lines))
            uploaded.append(bytesOf(line));
        Q_EMIT verified(ListingDiff::compare(m_source, uploaded, m_request.device, m_request.sections));
    }
    Q_EMIT ended(ok, message);
}

TransferJob::Figures TransferJob::figures() const
{
    if (!m_engine)
        return {};
    const qint64 now = m_link.nowMs();
    Figures figures = figuresOf(*m_engine, m_lines.size(), now - m_startMs, now);
    figures.stepsDone = m_stepsDone;
    figures.stepsTotal = m_stepsTotal;
    return figures;
}

TransferJob::Figures TransferJob::figuresOf(const DeviceEngine &engine, qint64 linesIn, qint64 elapsedMs,
                                            qint64 nowMs)
{
    Figures figures;
    figures.elapsedMs = elapsedMs;
    figures.running = !engine.isFinished();
    if (const auto *download = dynamic_cast<const DownloadEngine *>(&engine)) {
        figures.download = true;
        figures.linesDone = download->linesDone();
        figures.linesTotal = download->linesTotal();
        figures.bytesDone = download->bytesDone();
        figures.bytesTotal = download->bytesTotal();
        figures.quietMs = nowMs - download->lastEchoMs();
    } else if (const auto *upload = dynamic_cast<const UploadEngine *>(&engine)) {
        figures.linesDone = linesIn;
        figures.bytesDone = upload->bytesIn();
        figures.quietMs = nowMs - upload->lastByteMs();
        figures.section = upload->sectionNumber();
        figures.sections = upload->sectionCount();
        figures.stepsKnown = upload->stepsKnown();
    }
    figures.stepsKnown = figures.stepsKnown || figures.download;
    return figures;
}

QString TransferJob::doneText(Kind kind, const Figures &f)
{
    // Thousands grouped with commas whatever the machine's language, as the rest of the program's texts.
    const auto grouped = [](qint64 n) {
        QString digits = QString::number(n);
        for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
            digits.insert(at, u',');
        return digits;
    };
    const QString size = f.bytesDone < 1024
                             ? QStringLiteral("%1 bytes").arg(f.bytesDone)
                             : QStringLiteral("%1 KB").arg(grouped((f.bytesDone + 512) / 1024));
    return QStringLiteral("%1 done: %2 lines, %3 in %4 s")
        .arg(kindName(kind), grouped(f.linesDone), size)
        .arg((f.elapsedMs + 500) / 1000);
}

QStringList TransferJob::describe(const Figures &f)
{
    const auto seconds = [](qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 1); };
    const qint64 rate = f.elapsedMs > 0 ? f.bytesDone * 1000 / f.elapsedMs : 0;
    QStringList parts;
    QString timing = QStringLiteral("%1 bytes/s, %2 s elapsed").arg(rate).arg(f.elapsedMs / 1000);
    if (f.download) {
        parts << QStringLiteral("%1 of %2 lines, %3 of %4 bytes")
                     .arg(f.linesDone)
                     .arg(f.linesTotal)
                     .arg(f.bytesDone)
                     .arg(f.bytesTotal);
        if (f.running && rate > 0)
            timing += QStringLiteral(", about %1 s left").arg((f.bytesTotal - f.bytesDone) / rate);
        parts << timing;
        if (f.running)
            parts << QStringLiteral("last echo %1 s ago").arg(seconds(f.quietMs));
        return parts;
    }
    if (f.running && f.sections > 0)
        parts << QStringLiteral("section %1 of %2").arg(f.section).arg(f.sections);
    parts << QStringLiteral("%1 lines, %2 bytes").arg(f.linesDone).arg(f.bytesDone) << timing;
    if (f.running)
        parts << QStringLiteral("last byte %1 s ago").arg(seconds(f.quietMs));
    return parts;
}

} // namespace korvo
