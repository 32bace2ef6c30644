#pragma once

// frmUpDnLd: what an upload or download is to move (data types, edit window or file, device name, start
// address) and, while it runs, the progress word, a progress bar with lines, bytes, rate and time left,
// and Cancel. Verify uploads the listing's sections again and compares. The main window opens it from
// its upload/download gate; the job itself is a TransferJob on the terminal's link.

#include "transfer/transferjob.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace korvo {

class CommWindow;
class EditWindow;
class FileDialogs;
class Prompt;

// What the owner remembers between transfers: the dialog starts from it and reports each change.
struct TransferMemory
{
    bool toFile = false;    // the file was chosen last; else the edit window, when there is one
    QString fileName;       // the listing a download or verify reads
    QString uploadFileName; // the listing an upload writes: kept apart, so it never offers the file just sent
    QString deviceAddress;
    int sections = 0;       // the boxes ticked at the last start (bit per box)
    QString startAddress;   // the start address (program name) of the last start
    bool readTwice = false; // upload and verify read every section twice

    QString &file(bool upload) { return upload ? uploadFileName : fileName; }
};

// What the owner hands the dialog each time it opens it.
struct TransferSetup
{
    TransferMemory memory;
    int editWindows = 0; // edit windows open
    QString programDir;  // the program's folder, for listings
};

class TransferDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens (or brings back) host's dialog for the terminal and the chosen edit window (may be null).
    // kind: what the start button does (Verify: compare a listing with the device, as the Verify button).
    // A new dialog browses through fileDialogs and asks through prompt, which outlive it.
    static TransferDialog *open(QWidget *host, const FileDialogs &fileDialogs, Prompt &prompt,
                                TransferJob::Kind kind, CommWindow *terminal, EditWindow *edit,
                                const TransferSetup &setup);

    TransferDialog(const FileDialogs &fileDialogs, Prompt &prompt, QWidget *parent = nullptr);
    ~TransferDialog() override;

    void setUp(TransferJob::Kind kind, CommWindow *terminal, EditWindow *edit, const TransferSetup &setup);
    bool isRunning() const { return m_job && m_job->isRunning(); }
    // While a job runs: Cancel, and the dialog stays until the job has ended.
    void reject() override;

    // The controls, for tests.
    QCheckBox *box(int index) const { return m_boxes[size_t(index)]; }
    QCheckBox *readTwiceBox() const { return m_readTwice; }
    QRadioButton *editOption() const { return m_editOption; }
    QRadioButton *fileOption() const { return m_fileOption; }
    QLineEdit *deviceNameEdit() const { return m_deviceName; }
    QLineEdit *addressEdit() const { return m_address; }
    QLineEdit *fileNameEdit() const { return m_fileName; }
    QPushButton *startButton() const { return m_start; }
    QPushButton *verifyButton() const { return m_verify; }
    QPushButton *cancelButton() const { return m_cancel; }
    QLabel *messageLabel() const { return m_message; }
    QLabel *figuresLabel() const { return m_figures; }
    QProgressBar *progressBar() const { return m_progress; }

Q_SIGNALS:
    // A job ended (tests wait for it): ok, and what the dialog says about it.
    void jobEnded(bool ok, const QString &message);
    // What the owner remembers changed (a choice of target or file, a start).
    void memoryChanged(const korvo::TransferMemory &memory);

private:
    void buildControls();
    void applyDevice(DeviceType device);
    // The file name remembered for the dialog's job, and storing the one the user gave.
    QString &rememberedFile() { return m_setup.memory.file(m_kind == TransferJob::Kind::Upload); }
    void rememberFile(const QString &fileName);
    void chooseEditWindow();
    void chooseFile();
    void browse();
    void startJob(TransferJob::Kind kind);
    void onCancel();
    void showRunning(bool running, TransferJob::Kind kind = TransferJob::Kind::Upload);
    void refreshFigures();
    void onEnded(bool ok, const QString &message);
    void onVerified(const ListingDiff &diff);
    void onStatus(const QString &text, bool problem);

    const FileDialogs &m_fileDialogs;
    Prompt &m_prompt;
    TransferJob::Kind m_kind = TransferJob::Kind::Upload;
    TransferSetup m_setup;
    DeviceType m_device = Veltor;
    QPointer<CommWindow> m_terminal;
    QPointer<EditWindow> m_edit;
    TransferJob *m_job = nullptr;
    QString m_sourceName;
    bool m_cancelRequested = false;
    bool m_writeErrorShown = false;

    QGroupBox *m_dataTypes = nullptr;
    std::array<QCheckBox *, 3> m_boxes{};
    QCheckBox *m_readTwice = nullptr;
    QGroupBox *m_typeFrame = nullptr;
    QRadioButton *m_editOption = nullptr;
    QRadioButton *m_fileOption = nullptr;
    QGroupBox *m_sourceFrame = nullptr;
    QLineEdit *m_deviceName = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_fileName = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_verify = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_message = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_figures = nullptr;
    QTimer m_tick; // refreshes the figures while the device is quiet
};

} // namespace korvo
