#include "spi/spicommwindow.h"
#include "ui/altletters.h"

#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "app/twips.h"
#include "link/linkfactory.h"
#include "spi/digitspinbox.h"
#include "spi/parallelspi.h"
#include "spi/ppdevport.h"
#include "spi/spiconverterengine.h"
#include "spi/spilogview.h"
#include "spi/spimessage.h"
#include "spi/spiports.h"
#include "spi/spisession.h"
#include "ui/filedialogs.h"
#include "ui/windowplace.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace korvo {

namespace {
const QString kTitle = QStringLiteral("SPI Communications");
constexpr int kBatchMs = 50;

double dpiOf(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

// The device of a port: the kept device path when it fits the port's transport, else the usual one.
QString deviceOf(int port, const QString &path)
{
    const bool fits = !path.trimmed().isEmpty() && isParallelDevicePath(path) == isParallelSpiPort(port);
    if (isParallelSpiPort(port))
        return fits ? path.trimmed() : parallelDeviceName(port);
    return converterDeviceName(port, fits ? path : QString());
}
} // namespace

SpiCommWindow::SpiCommWindow(const SpiRecord &record, Prompt &prompt, QWidget *parent, Services services)
    : QWidget(parent, Qt::Window), m_record(record), m_services(std::move(services)), m_prompt(prompt)
{
    if (!m_services.clock)
        m_services.clock = &systemClock();
    if (!m_services.links)
        m_services.links = &systemLinkFactory();
    if (!m_services.makePort)
        m_services.makePort = [] { return std::make_unique<PpdevPort>(); };
    if (!m_services.calibrate)
        m_services.calibrate = calibrateSpiDelays;
    if (!m_services.fileDialogs)
        m_services.fileDialogs = &realFileDialogs();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kTitle);

    m_session = std::make_unique<SpiSession>(*m_services.clock, *m_services.links);
    connect(m_session.get(), &SpiSession::exchanged, this, &SpiCommWindow::onExchanged);
    connect(m_session.get(), &SpiSession::ended, this, &SpiCommWindow::onEnded);
    connect(m_session.get(), &SpiSession::progress, this, [this](int sent, int) {
        m_sent = sent;
        showStatus();
    });
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &SpiCommWindow::flushLog);

    buildControls();
    restorePlacement();

    SpiRecord &spi = m_record;
    spi.port = qint16(std::clamp<int>(spi.port, 1, kSpiPortCount));
    m_port->setCurrentIndex(spi.port - 1);
    m_device->setText(spi.portName);
    m_count->setValue(std::clamp<int>(spi.count, 0, kMaxCount));
    m_rate->setValue(std::clamp<int>(spi.rate, 0, kMaxRate));
    if (!spi.lastSent.isEmpty() && isSpiOutputText(spi.lastSent))
        m_output->setText(spi.lastSent);
    applyTransport();
    spi.visible = true;
    storeRecord();

    // Stored as they change, so that the preferences file has them whatever happens next.
    connect(m_port, &QComboBox::currentIndexChanged, this, [this](int index) { choosePort(index + 1); });
    connect(m_device, &QLineEdit::editingFinished, this, [this] {
        if (m_device->text().trimmed() == m_record.portName)
            return;
        m_record.portName = m_device->text().trimmed();
        storeRecord();
        applyTransport();
    });
    connect(m_count, &QSpinBox::valueChanged, this, [this](int value) {
        m_record.count = value;
        storeRecord();
    });
    connect(m_rate, &QSpinBox::valueChanged, this, [this](int value) {
        m_record.rate = value;
        storeRecord();
    });
    giveAltLetters(this);
}

SpiCommWindow::~SpiCommWindow()
{
    // The session's signals must not reach a half-destroyed window.
    m_session->disconnect(this);
}

void SpiCommWindow::buildControls()
{
    m_port = new QComboBox(this);
    for (int port = 1; port <= kSpiPortCount; ++port)
        m_port->addItem(spiPortText(port));
    m_device = new QLineEdit(this);
    m_device->setPlaceholderText(QStringLiteral("the port's usual device"));
    m_device->setToolTip(
        QStringLiteral("Device of the chosen port when it is not the usual one: a serial device "
                       "(/dev/ttyUSB0, a pty) for a USB SPI port, /dev/parportN for an Lpt port"));
    m_output = new QLineEdit(this);
    m_output->setToolTip(QStringLiteral("Enter Output in HEX format"));
    m_output->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f ]*")), m_output));
    m_output->setMaxLength(3 * 255);
    m_output->installEventFilter(this);
    m_count = new DigitSpinBox(this);
    m_count->setRange(0, kMaxCount);
    m_count->setToolTip(QStringLiteral("Enter Number of times to Send Output (0=continuous, 1 to 1000)"));
    m_rate = new DigitSpinBox(this);
    m_rate->setRange(0, kMaxRate);
    m_rate->setToolTip(QStringLiteral("Enter Rate to Send Output, 0=One char at a time."));
    m_log = new SpiLogView(this);
    m_send = new QPushButton(QStringLiteral("&Send"), this);
    m_capture = new QPushButton(QStringLiteral("&Capture..."), this);
    m_done = new QPushButton(QStringLiteral("&Done"), this);
    m_clear = new QPushButton(QStringLiteral("Clr Comm."), this);
    m_saveLog = new QPushButton(QStringLiteral("Save &Log..."), this);
    m_saveLog->setToolTip(QStringLiteral("Save the exchanges with their times of day and message times"));
    m_status = new QLabel(this);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_send->setDefault(true);

    auto *grid = new QGridLayout(this);
    const auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("&Port:"), m_port), 0, 0);
    grid->addWidget(m_port, 0, 1);
    grid->addWidget(label(QStringLiteral("De&vice:"), m_device), 0, 2);
    grid->addWidget(m_device, 0, 3);
    grid->addWidget(label(QStringLiteral("&Output:"), m_output), 1, 0);
    grid->addWidget(m_output, 1, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Coun&t:"), m_count), 2, 0);
    grid->addWidget(m_count, 2, 1);
    grid->addWidget(label(QStringLiteral("&Rate:"), m_rate), 2, 2);
    grid->addWidget(m_rate, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("Comm."), this), 3, 0, 1, 4);
    m_log->setAccessibleName(QStringLiteral("Comm.")); // named by the caption above it, which needs no letter
    grid->addWidget(m_log, 4, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_send, m_capture, m_clear, m_saveLog, m_done})
        buttons->addWidget(button);
    grid->addLayout(buttons, 5, 0, 1, 4);
    grid->addWidget(m_status, 6, 0, 1, 4);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(3, 1);

    connect(m_send, &QPushButton::clicked, this, &SpiCommWindow::sendOrStop);
    connect(m_capture, &QPushButton::clicked, this, &SpiCommWindow::captureOrEnd);
    connect(m_done, &QPushButton::clicked, this, &QWidget::close);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_pending.clear();
        m_logModel.clear();
        m_log->clearLog();
        m_shown = 0;
    });
    connect(m_saveLog, &QPushButton::clicked, this, &SpiCommWindow::saveLog);
}

bool SpiCommWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The output entry selects its whole text when it gets focus, after the click has placed the cursor.
    if (watched == m_output && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, m_output, &QLineEdit::selectAll);
    return QWidget::eventFilter(watched, event);
}

void SpiCommWindow::restorePlacement()
{
    const SpiRecord &spi = m_record;
    const double dpi = dpiOf(this);
    // The stored default size is a small dialog; the log with its gutter needs more room.
    const QSize size(std::max(twipsToPixels(spi.width, dpi), 780),
                     std::max(twipsToPixels(spi.height, dpi), 360));
    const auto stored = storedCorner(twipsToPixels(spi.left, dpi), twipsToPixels(spi.top, dpi));
    placeTopLevel(this, stored.value_or(overClientArea(parentWidget())), size);
    if (spi.state == 1)
        setWindowState(Qt::WindowMinimized);
    else if (spi.state == 2)
        setWindowState(Qt::WindowMaximized);
}

void SpiCommWindow::storePlacement()
{
    SpiRecord &spi = m_record;
    spi.state = qint16(isMinimized() ? 1 : (isMaximized() ? 2 : 0));
    if (spi.state == 0)
        storePixelRect(spi, QRect(pos(), size()), dpiOf(this));
    storeRecord();
}

bool SpiCommWindow::isSending() const
{
    return m_session->isSending();
}

void SpiCommWindow::choosePort(int port)
{
    if (port == m_record.port)
        return;
    m_record.port = qint16(port);
    storeRecord();
    applyTransport();
}

void SpiCommWindow::applyTransport()
{
    // A run on the old transport ends first: the session must not keep a port that is about to go.
    m_session->stop();
    const int port = m_record.port;
    m_transportNote.clear();
    m_lastFailure.clear();
    m_session->closeConverter();
    if (isParallelSpiPort(port)) {
        openParallel();
    } else {
        if (m_parallel)
            m_parallel->close();
        m_session->useConverter(deviceOf(port, m_record.portName));
    }
    showStatus();
}

bool SpiCommWindow::openParallel()
{
    const QString device = deviceOf(m_record.port, m_record.portName);
    // One port object for the window's life: the session may hold it between runs.
    if (!m_parallel)
        m_parallel = m_services.makePort();
    m_parallel->close();
    QString error;
    const bool open = m_parallel->open(device, &error);
    m_transportNote = open ? QString() : error;
    // Timed once, on the first parallel port the window uses: each access is a system call.
    if (!m_calibration)
        m_calibration = m_services.calibrate(open ? m_parallel.get() : nullptr);
    if (!open)
        return false;
    ParallelSpi(*m_parallel, *m_calibration).idle();
    m_session->useParallel(m_parallel.get(), *m_calibration);
    return true;
}

void SpiCommWindow::sendOrStop()
{
    if (m_session->isSending())
        m_session->stop();
    else
        startSending();
}

void SpiCommWindow::startSending()
{
    const std::optional<QByteArray> message = buildSpiMessage(m_output->text());
    if (!message) {
        ask(m_prompt, QStringLiteral("Output Incomplete."), kTitle, PromptIcon::Information);
        return;
    }
    if (isParallelSpiPort(m_record.port) && (!m_parallel || !m_parallel->isOpen()) && !openParallel()) {
        showStatus();
        ask(m_prompt, m_transportNote, QStringLiteral("Comm Error"), PromptIcon::Critical);
        return;
    }
    m_record.lastSent = spiOutputDigits(m_output->text());
    storeRecord();
    SpiSendOptions options;
    options.message = *message;
    options.count = m_count->value();
    options.rate = m_rate->value();
    m_sent = 0;
    m_toSend = options.count;
    m_lastFailure.clear();
    m_send->setText(QStringLiteral("&Stop"));
    showStatus();
    m_session->send(options);
}

void SpiCommWindow::onExchanged(const SpiExchange &exchange)
{
    m_logModel.append(exchange, QDateTime::currentDateTime());
    m_pending.push_back(m_logModel.entries().back());
    if (!m_batch.isActive())
        m_batch.start();
    if (!m_captureFile.isOpen())
        return;
    const QStringList lines = spiExchangeLines(exchange.sent, exchange.received);
    if (m_captureFile.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1()) < 0) {
        const QString error = m_captureFile.errorString();
        m_captureFile.close();
        m_capture->setText(QStringLiteral("&Capture..."));
        ask(m_prompt, error, QStringLiteral("File Error"), PromptIcon::Critical);
    }
}

void SpiCommWindow::flushLog()
{
    m_batch.stop();
    if (m_pending.empty())
        return;
    std::vector<SpiLog::Entry> entries = std::exchange(m_pending, {});
    const int limit = int(SpiLog::kMaxExchanges);
    if (int(entries.size()) > limit)
        entries.erase(entries.begin(), entries.end() - limit);
    // The view keeps what the log keeps: the oldest exchanges leave its top.
    const int drop = std::min(m_shown, std::max(0, m_shown + int(entries.size()) - limit));
    m_log->appendEntries(entries, drop);
    m_shown = std::min(limit, m_shown + int(entries.size()));
}

void SpiCommWindow::onEnded(const QString &failure, bool versionRefused)
{
    m_send->setText(QStringLiteral("&Send"));
    flushLog();
    m_lastFailure = failure;
    showStatus();
    if (failure.isEmpty())
        return;
    if (versionRefused)
        ask(m_prompt, failure, QStringLiteral("QX510 Version"), PromptIcon::Information);
    else
        ask(m_prompt, failure, QStringLiteral("Comm Error"), PromptIcon::Critical);
}

void SpiCommWindow::showStatus()
{
    const int port = m_record.port;
    const QString device = deviceOf(port, m_record.portName);
    QString text = QStringLiteral("%1 on %2").arg(spiPortText(port), device);
    if (isParallelSpiPort(port)) {
        if (!m_transportNote.isEmpty())
            text += QStringLiteral(": ") + m_transportNote;
        else if (m_calibration && m_calibration->clockHz > 0)
            text += QStringLiteral(", SPI clock %1 kHz").arg(m_calibration->clockHz / 1000.0, 0, 'f', 1);
    } else {
        text += QStringLiteral(" at ") + SpiConverterEngine::kSettings;
    }
    if (m_sent > 0 || m_session->isSending())
        text += m_toSend > 0 ? QStringLiteral(" - sent %1 of %2").arg(m_sent).arg(m_toSend)
                             : QStringLiteral(" - sent %1").arg(m_sent);
    if (!m_lastFailure.isEmpty())
        text += QStringLiteral(" - ") +
                QString(m_lastFailure).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    m_status->setText(text);
}

void SpiCommWindow::captureOrEnd()
{
    if (m_captureFile.isOpen()) {
        m_captureFile.close();
        m_capture->setText(QStringLiteral("&Capture..."));
        return;
    }
    const std::optional<QString> path = m_services.fileDialogs->getFile(
        FileDialogKind::CaptureFile, Veltor, m_captureName, FileDialogMode::Save, this);
    if (!path)
        return;
    m_captureName = *path;
    m_captureFile.setFileName(*path);
    if (!m_captureFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ask(m_prompt, m_captureFile.errorString(), QStringLiteral("File Error"), PromptIcon::Critical);
        return;
    }
    m_capture->setText(QStringLiteral("End &Capture"));
}

void SpiCommWindow::saveLog()
{
    flushLog();
    const std::optional<QString> path = m_services.fileDialogs->getFile(
        FileDialogKind::CaptureFile, Veltor, QStringLiteral("spi-log.txt"), FileDialogMode::Save, this);
    if (!path)
        return;
    QString error;
    if (!m_logModel.save(*path, &error))
        ask(m_prompt, error, QStringLiteral("File Error"), PromptIcon::Critical);
}

void SpiCommWindow::closeEvent(QCloseEvent *event)
{
    m_session->stop();
    flushLog();
    storePlacement();
    if (m_captureFile.isOpen())
        m_captureFile.close();
    m_record.lastSent = spiOutputDigits(m_output->text());
    // Closing with the application keeps the window for the next start.
    if (!closingApplication())
        m_record.visible = false;
    storeRecord();
    m_session->closeConverter();
    if (m_parallel)
        m_parallel->close();
    event->accept();
    emit closed();
}

} // namespace korvo
