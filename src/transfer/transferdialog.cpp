#include "transfer/transferdialog.h"
#include "ui/altletters.h"

#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "editor/editwindow.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "terminal/commwindow.h"
#include "terminal/terminalfunctions.h"
#include "transfer/editwindowtarget.h"
#include "transfer/listingdiffview.h"
#include "ui/captiontext.h"
#include "ui/filedialogs.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace korvo {

namespace {
struct DeviceBoxes
{
    const char *label;
    const char *box0;
    const char *box1; // nullptr: hidden
    bool programs;
};

DeviceBoxes deviceBoxes(DeviceType device)
{
    switch (device) {
    case DeviceType::UKorvo:
        return {"uKorvo ", "Variables", "Flags", true};
    case DeviceType::Q926:
        return {"OLD Indexer ", "Micro-Position Table", "Variables", true};
    case DeviceType::Hmi:
        return {"HMI ", "Registers", "Parameters", true};
    case DeviceType::Fendra:
        return {"Norbel Indexer ", "Variables", nullptr, true};
    case DeviceType::Norbel:
        return {"Norbel Drive (NBC, NBM, NBO, NBT): ", "Variables", nullptr, false};
    default:
        return {"Veltor Indexer ", "Variables", nullptr, true};
    }
}

const QString kTitle = QStringLiteral("Upload/Download");
} // namespace

TransferDialog *TransferDialog::open(QWidget *host, const FileDialogs &fileDialogs, Prompt &prompt,
                                     TransferJob::Kind kind, CommWindow *terminal, EditWindow *edit,
                                     const TransferSetup &setup)
{
    auto *dialog = host->findChild<TransferDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new TransferDialog(fileDialogs, prompt, host);
    if (!dialog->isRunning())
        dialog->setUp(kind, terminal, edit, setup);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

TransferDialog::TransferDialog(const FileDialogs &fileDialogs, Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_fileDialogs(fileDialogs), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("KORVO Upload / Download"));
    // Not modal: a modal dialog swallowed clicks on the terminal and the menus without a word. The link
    // refuses what would disturb the job, and says so.
    buildControls();
    giveAltLetters(this);
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &TransferDialog::refreshFigures);
}

TransferDialog::~TransferDialog() = default;

void TransferDialog::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    m_dataTypes = new QGroupBox(QStringLiteral("Data Types"), this);
    auto *boxes = new QHBoxLayout(m_dataTypes);
    const char *const captions[] = {"Micro-Position Table", "Flags", "Programs"};
    for (size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i] = new QCheckBox(QString::fromLatin1(captions[i]), m_dataTypes);
        boxes->addWidget(m_boxes[i]);
    }
    layout->addWidget(m_dataTypes);
    m_readTwice = new QCheckBox(QStringLiteral("Read Twice"), this);
    m_readTwice->setToolTip(
        QStringLiteral("For a noisy line: Upload and Verify read every section twice and take it when two "
                       "readings agree"));
    layout->addWidget(m_readTwice);

    m_typeFrame = new QGroupBox(QStringLiteral("Destination Type"), this);
    auto *types = new QVBoxLayout(m_typeFrame);
    m_editOption = new QRadioButton(QStringLiteral("Edit Window"), m_typeFrame);
    m_fileOption = new QRadioButton(QStringLiteral("File"), m_typeFrame);
    types->addWidget(m_editOption);
    types->addWidget(m_fileOption);
    layout->addWidget(m_typeFrame);
    // A refused choice leaves the type as it was, so the buttons answer clicks rather than toggles.
    connect(m_editOption, &QRadioButton::clicked, this, &TransferDialog::chooseEditWindow);
    connect(m_fileOption, &QRadioButton::clicked, this, &TransferDialog::chooseFile);

    m_sourceFrame = new QGroupBox(this);
    auto *fields = new QGridLayout(m_sourceFrame);
    m_deviceName = new QLineEdit(m_sourceFrame);
    m_deviceName->setToolTip(QStringLiteral("Device Name to Prefix to Each Line DownLoaded"));
    m_address = new QLineEdit(m_sourceFrame);
    m_fileName = new QLineEdit(m_sourceFrame);
    m_browse = new QPushButton(QStringLiteral("Browse..."), m_sourceFrame);
    // Each label names its field, for the field's Alt letter and for a screen reader.
    const auto labelFor = [this](const QString &text, QWidget *field) {
        auto *label = new QLabel(text, m_sourceFrame);
        label->setBuddy(field);
        return label;
    };
    fields->addWidget(labelFor(QStringLiteral("Device Name:"), m_deviceName), 0, 0);
    fields->addWidget(m_deviceName, 0, 1);
    fields->addWidget(labelFor(QStringLiteral("Start Address:"), m_address), 1, 0);
    fields->addWidget(m_address, 1, 1);
    fields->addWidget(labelFor(QStringLiteral("File Name:"), m_fileName), 2, 0);
    fields->addWidget(m_fileName, 2, 1);
    fields->addWidget(m_browse, 2, 2);
    layout->addWidget(m_sourceFrame);
    connect(m_browse, &QPushButton::clicked, this, &TransferDialog::browse);

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress = new QProgressBar(this);
    m_figures = new QLabel(this);
    // Growing figures wrap inside the dialog's width rather than widen the dialog mid-transfer.
    m_figures->setWordWrap(true);
    m_figures->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_message);
    layout->addWidget(m_progress);
    layout->addWidget(m_figures);

    auto *buttons = new QHBoxLayout;
    m_start = new QPushButton(QStringLiteral("Upload"), this);
    m_start->setDefault(true);
    m_verify = new QPushButton(QStringLiteral("Verify"), this);
    m_verify->setToolTip(QStringLiteral("Upload the listing's sections again and compare them with it"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_verify);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_start, &QPushButton::clicked, this, [this] { startJob(m_kind); });
    connect(m_verify, &QPushButton::clicked, this, [this] { startJob(TransferJob::Kind::Verify); });
    connect(m_cancel, &QPushButton::clicked, this, &TransferDialog::onCancel);
    showRunning(false);
}

void TransferDialog::applyDevice(DeviceType device)
{
    m_device = device;
    const DeviceBoxes boxes = deviceBoxes(device);
    m_boxes[0]->setText(QString::fromLatin1(boxes.box0));
    m_boxes[1]->setText(QString::fromLatin1(boxes.box1 ? boxes.box1 : ""));
    m_boxes[1]->setVisible(boxes.box1 != nullptr);
    m_boxes[2]->setVisible(boxes.programs);
    setWindowTitle(QString::fromLatin1(boxes.label) + TransferJob::kindName(m_kind));
    // What an empty choice means differs by job and, for a 926Q upload, by device.
    m_dataTypes->setToolTip(
        m_kind == TransferJob::Kind::Download ? QStringLiteral("None ticked: the whole listing")
        : m_kind == TransferJob::Kind::Verify ? QStringLiteral("None ticked: every section of the listing")
        : device == DeviceType::Q926 ? QStringLiteral("None ticked: the whole non-volatile memory (NVM)")
                                     : QStringLiteral("None ticked: the programs"));
}

void TransferDialog::setUp(TransferJob::Kind kind, CommWindow *terminal, EditWindow *edit,
                           const TransferSetup &setup)
{
    m_kind = kind;
    m_setup = setup;
    const bool fromListing = kind != TransferJob::Kind::Upload;
    m_terminal = terminal;
    m_edit = edit;
    applyDevice(terminal ? terminal->settings().device : Veltor);
    m_typeFrame->setTitle(fromListing ? QStringLiteral("Source Type") : QStringLiteral("Destination Type"));
    m_start->setText(TransferJob::kindName(kind));
    QString editCaption = QStringLiteral("Edit Window");
    if (edit) {
        // The option is not laid out before the dialog is first shown: a sensible width until then.
        const int width = int(0.65 * std::max(m_editOption->width(), 360));
        editCaption += QStringLiteral(" - \"") +
                       compactPath(edit->fileName(), m_editOption->fontMetrics(), width)
                           .replace(u'&', QStringLiteral("&&")) +
                       u'"';
    }
    m_editOption->setText(editCaption);
    const TransferMemory &memory = m_setup.memory;
    m_fileName->setText(rememberedFile());
    m_deviceName->setText(memory.deviceAddress);
    m_address->setText(memory.startAddress);
    for (size_t i = 0; i < m_boxes.size(); ++i)
        m_boxes[i]->setChecked((memory.sections & (1 << i)) != 0);
    m_readTwice->setChecked(memory.readTwice);
    const bool toFile = memory.toFile || !edit;
    (toFile ? m_fileOption : m_editOption)->setChecked(true);
    m_fileName->setEnabled(toFile);
    m_browse->setEnabled(toFile);
    // The last job's words and figures belong to it, not to the next one.
    m_message->clear();
    m_figures->clear();
    showRunning(isRunning());
    // The captions and the options shown are this job's: each gets a letter again.
    giveAltLetters(this);
}

void TransferDialog::chooseEditWindow()
{
    if (m_setup.editWindows == 0 || !m_edit) {
        ask(m_prompt,
            m_setup.editWindows == 0
                ? QStringLiteral("There are NO Edit Windows.\r\nOpen an Edit Window, then try again.")
                : QStringLiteral(
                      "The Edit Window is not available.\r\nOpen the Edit Window, then try again."),
            kTitle, PromptIcon::Exclamation);
        m_fileOption->setChecked(true);
        return;
    }
    m_setup.memory.toFile = false;
    emit memoryChanged(m_setup.memory);
    m_fileName->setEnabled(false);
    m_browse->setEnabled(false);
}

void TransferDialog::chooseFile()
{
    m_setup.memory.toFile = true;
    emit memoryChanged(m_setup.memory);
    m_fileName->setEnabled(true);
    m_browse->setEnabled(true);
    if (m_fileName->text().isEmpty())
        m_fileName->setText(rememberedFile());
}

void TransferDialog::browse()
{
    const auto path = m_fileDialogs.getFile(
        FileDialogKind::TransferFile, m_device, m_fileName->text(),
        m_kind == TransferJob::Kind::Upload ? FileDialogMode::Save : FileDialogMode::Open, this);
    if (path) {
        m_fileName->setText(*path);
        rememberFile(*path);
    }
}

void TransferDialog::rememberFile(const QString &fileName)
{
    rememberedFile() = fileName;
    emit memoryChanged(m_setup.memory);
}

void TransferDialog::startJob(TransferJob::Kind kind)
{
    if (!m_terminal) {
        ask(m_prompt,
            QStringLiteral(
                "The Comm Window is not available.\r\nOpen the Comm Window and Connect, then try again."),
            QStringLiteral("Comm Connection"), PromptIcon::Exclamation);
        return;
    }
    TransferRequest request;
    request.device = m_device;
    for (size_t i = 0; i < m_boxes.size(); ++i)
        if (m_boxes[i]->isVisible() && m_boxes[i]->isChecked())
            request.sections |= 1 << i;
    TransferMemory &memory = m_setup.memory;
    memory.deviceAddress = m_deviceName->text();
    memory.sections = request.sections;
    memory.startAddress = m_address->text();
    memory.readTwice = m_readTwice->isChecked();
    TransferJob::Target target;
    target.file = m_fileOption->isChecked();
    if (target.file)
        rememberedFile() = m_fileName->text();
    emit memoryChanged(memory);

    request.deviceAddress = memory.deviceAddress;
    request.programName = m_address->text();
    request.readings = memory.readTwice ? 2 : 1;
    request.timing = LinkTiming::fromSettings(m_terminal->settings());

    target.programDir = m_setup.programDir;
    if (target.file) {
        target.fileName = rememberedFile();
        m_sourceName = QFileInfo(target.fileName).fileName();
    } else {
        if (!m_edit) {
            ask(m_prompt,
                QStringLiteral("The Edit Window is not available.\r\nOpen the Edit Window, then try again."),
                kTitle, PromptIcon::Exclamation);
            return;
        }
        // An upload replaces the window's text: changes not saved are not replaced unasked.
        if (kind == TransferJob::Kind::Upload && m_edit->isModified() &&
            m_prompt.ask({QStringLiteral("%1 has changes that are not saved.\r\nReplace its text with the "
                                         "upload?")
                              .arg(m_edit->fileName()),
                          QStringLiteral("Upload from Device"), PromptIcon::Exclamation,
                          PromptButtons::YesNo}) != PromptAnswer::Yes)
            return;
        setEditWindowTarget(target, m_edit);
        m_sourceName = QStringLiteral("the Edit Window");
    }

    delete m_job;
    m_job = new TransferJob(m_terminal->link(), this);
    connect(m_job, &TransferJob::progressed, this, &TransferDialog::refreshFigures);
    connect(m_job, &TransferJob::ended, this, &TransferDialog::onEnded);
    connect(m_job, &TransferJob::verified, this, &TransferDialog::onVerified);
    connect(m_job, &TransferJob::status, this, &TransferDialog::onStatus);
    // The terminal closing ends the job with it.
    connect(m_terminal, &QObject::destroyed, m_job, [this] {
        m_tick.stop();
        delete std::exchange(m_job, nullptr);
        showRunning(false);
    });
    m_message->clear();
    m_figures->clear();
    m_progress->reset();
    m_cancelRequested = false;
    m_writeErrorShown = false;
    showRunning(true, kind);
    TransferJob::StartResult started = m_job->start(kind, request, target);
    if (started.outcome == TransferJob::StartResult::NeedsAnswer)
        started = m_job->answer(m_prompt.ask(started.message));
    if (started.outcome != TransferJob::StartResult::Started) {
        if (!started.message.text.isEmpty())
            m_prompt.ask(started.message);
        // Nothing runs: no progress word stays behind.
        m_message->clear();
        showRunning(false);
        return;
    }
    // The window an upload fills is in sight while it fills.
    if (kind == TransferJob::Kind::Upload && !target.file && m_edit)
        m_edit->bringToFront();
    if (m_job->isRunning()) {
        m_tick.start();
        if (!m_job->programName().isEmpty()) {
            m_address->setText(m_job->programName());
            m_setup.memory.startAddress = m_job->programName();
            emit memoryChanged(m_setup.memory);
        }
    }
}

void TransferDialog::reject()
{
    // The title bar's X and Escape are Cancel: a running job is never left running unseen.
    if (isRunning())
        onCancel();
    else
        QDialog::reject();
}

void TransferDialog::onCancel()
{
    if (isRunning()) {
        m_cancelRequested = true;
        m_job->cancel();
        return;
    }
    hide();
}

void TransferDialog::showRunning(bool running, TransferJob::Kind kind)
{
    m_dataTypes->setVisible(!running);
    m_readTwice->setVisible(!running);
    m_typeFrame->setVisible(!running);
    m_sourceFrame->setVisible(!running);
    m_start->setVisible(!running);
    // Opened for a verify, the start button is the verify.
    m_verify->setVisible(!running && m_kind != TransferJob::Kind::Verify);
    m_progress->setVisible(running);
    m_figures->setVisible(running || !m_figures->text().isEmpty());
    if (running)
        m_message->setText(kind == TransferJob::Kind::Download ? QStringLiteral("Downloading")
                                                               : QStringLiteral("Uploading"));
    m_message->setVisible(running || !m_message->text().isEmpty());
}

void TransferDialog::refreshFigures()
{
    if (!m_job)
        return;
    const TransferJob::Figures f = m_job->figures();
    // The bar claims only what is known: sections of unknown length, or fewer than two steps, show that
    // work goes on, and the figures say how much.
    if (f.running && (!f.stepsKnown || f.stepsTotal < 2)) {
        m_progress->setRange(0, 0);
    } else if (f.stepsTotal > 0) {
        m_progress->setRange(0, int(std::min<qint64>(f.stepsTotal, INT_MAX)));
        m_progress->setValue(int(std::min(f.stepsDone, f.stepsTotal)));
    }
    QStringList lines = TransferJob::describe(f);
    for (QString &line : lines)
        line[0] = line[0].toUpper();
    m_figures->setText(lines.join(u'\n'));
}

void TransferDialog::onEnded(bool ok, const QString &message)
{
    m_tick.stop();
    refreshFigures();
    showRunning(false);
    const bool verify = m_job && m_job->kind() == TransferJob::Kind::Verify;
    // The dialog closes on success: the terminal's status row tells how it went for a while.
    const QString done = m_job ? TransferJob::doneText(m_job->kind(), m_job->figures()) : QString();
    if (ok && !verify && !m_cancelRequested && m_terminal)
        m_terminal->functions().runner().showNote(done);
    if (m_cancelRequested)
        m_message->setText(message.isEmpty() ? QStringLiteral("Cancelled")
                                             : QStringLiteral("Cancelled\r\n") + message);
    else if (!ok)
        m_message->setText(message);
    else if (!verify)
        m_message->setText(message.isEmpty() ? done : done + QStringLiteral("\r\n") + message);
    m_message->setVisible(true);
    // A failure of the link or a file is told once, and so is what a finished job adds (a section the
    // device never answered). Cancel hides the dialog once the job has ended, so what a cancelled job has
    // to say (where the incomplete upload is) is told then.
    if (!message.isEmpty())
        ask(m_prompt, message, kTitle,
            ok || m_cancelRequested ? PromptIcon::Information : PromptIcon::Exclamation);
    if ((ok && !verify) || m_cancelRequested)
        hide();
    Q_EMIT jobEnded(ok, message);
}

void TransferDialog::onStatus(const QString &text, bool problem)
{
    m_message->setText(text);
    // A failed write is told once; the download goes on with the next echo.
    if (problem && !std::exchange(m_writeErrorShown, true))
        ask(m_prompt, text, QStringLiteral("Comm Port Error"), PromptIcon::Information);
}

void TransferDialog::onVerified(const ListingDiff &diff)
{
    if (diff.identical()) {
        m_message->setText(QStringLiteral("Verify: identical"));
        return;
    }
    m_message->setText(QStringLiteral("Verify: %1 line(s) differ").arg(diff.rows().size()));
    (new ListingDiffView(diff, m_sourceName, this))->show();
}

} // namespace korvo
