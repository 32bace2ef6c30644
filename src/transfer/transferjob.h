#pragma once

// One upload, download or verify on a terminal's link, as the upload/download dialog runs it: checks the
// source or destination, reads the listing, picks its sections, carries the engine through the link,
// stores the upload in a file or hands each line to the edit window as it arrives, and keeps the figures
// the dialog shows. Owns no widgets and asks nothing: what the user must be told or asked comes back as
// a message for the owner to show; an edit window is reached through functions.

#include "app/prompt.h"
#include "link/commlink.h"
#include "transfer/listingdiff.h"
#include "transfer/listingreader.h"
#include "transfer/transferrequest.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace korvo {

class ListingFile;

class TransferJob : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Upload, Download, Verify };

    // Where the listing goes to or comes from.
    struct Target
    {
        bool file = false;
        QString fileName;
        std::function<QString()> editText;                   // download, verify: the edit window's text
        std::function<void()> clearEdit;                     // upload: empties the edit window first
        std::function<void(const QString &)> appendEditLine; // upload: each listing line as it arrives
        std::function<void()> endEdit;                       // upload: the job has ended
        QString programDir;                                  // the temporary file's first folder
    };

    struct Figures
    {
        qint64 stepsDone = 0; // the progress bar: commands (upload) or lines (download)
        qint64 stepsTotal = 0;
        qint64 linesDone = 0;
        qint64 linesTotal = 0; // 0 when unknown
        qint64 bytesDone = 0;
        qint64 bytesTotal = 0; // 0 when unknown
        qint64 elapsedMs = 0;
        qint64 quietMs = 0; // since the last echo (download) or the last byte (upload)
        int section = 0;    // upload: the section being read, of sections (0 when not an upload)
        int sections = 0;
        bool download = false;
        bool running = false;
        bool stepsKnown = false; // the steps are a true share of the work (blocks, lines), not sections
    };
    // An upload or download engine's figures; linesIn: the listing lines an upload has given so far.
    static Figures figuresOf(const DeviceEngine &engine, qint64 linesIn, qint64 elapsedMs, qint64 nowMs);
    // The figures as the user reads them, one phrase per piece: what moved, its rate and time, and how
    // long the device has been quiet while the job runs.
    static QStringList describe(const Figures &figures);
    // How a finished job went, in one line: "Upload done: 2,708 lines, 91 KB in 45 s".
    static QString doneText(Kind kind, const Figures &figures);

    // How a start went.
    struct StartResult
    {
        enum Outcome {
            Started,
            Refused,     // message: why, for the user (empty when there is nothing to tell)
            NeedsAnswer, // message: the question to ask; answer() takes the user's answer
        };
        Outcome outcome = Started;
        PromptRequest message;
    };

    explicit TransferJob(CommLink &link, QObject *parent = nullptr);
    ~TransferJob() override;

    // "Upload", "Download", "Verify": the start button's caption and the job's name on the link.
    static QString kindName(Kind kind);

    // Refused, with the message, while another job holds the link.
    StartResult start(Kind kind, const TransferRequest &request, const Target &target);
    // After NeedsAnswer: Yes goes on (an upload replaces the file that exists, once it has finished; a
    // download without the ticked sections sends every section the listing holds), anything else gives up.
    StartResult answer(PromptAnswer answer);
    void cancel();
    bool isRunning() const;
    Kind kind() const { return m_kind; }
    Figures figures() const;
    // The program name found after a programs header of the listing being downloaded.
    const QString &programName() const { return m_programName; }

Q_SIGNALS:
    void progressed();
    // What the engine is doing ("Uploading VARIABLES"), or a write that failed while a download goes on.
    void status(const QString &text, bool problem);
    // The job ended: ok, and what to tell the user (empty when there is nothing to add).
    void ended(bool ok, const QString &message);
    void verified(const korvo::ListingDiff &diff);

private:
    enum class Question { None, ReplaceFile, MissingSection };

    StartResult startUpload();
    std::optional<PromptRequest> prepareUpload(const Target &target);
    StartResult startListing(const ListingReader::Selection &selection);
    StartResult attach();
    void onEvents(const std::vector<EngineEvent> &events);
    void onLine(const QString &line);
    void end(bool ok, const QString &reason);
    // The edit window an upload fills has its last piece: the upload becomes one Undo step.
    void closeEdit();

    CommLink &m_link;
    Kind m_kind = Kind::Upload;
    TransferRequest m_request;
    Target m_target;
    std::unique_ptr<DeviceEngine> m_engine;
    EngineLease m_lease;
    std::unique_ptr<ListingFile> m_file;
    QString m_fileError;
    QStringList m_lines;
    QList<QByteArray> m_source; // download, verify: the listing read (verify compares with it)
    QString m_programName;
    qint64 m_startMs = 0;
    qint64 m_stepsDone = 0;
    qint64 m_stepsTotal = 0;
    bool m_cancelled = false;
    bool m_editOpen = false;              // an upload is filling the edit window
    Question m_question = Question::None; // start() asked it; answer() goes on
};

} // namespace korvo
