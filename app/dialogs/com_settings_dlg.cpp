#include "app/dialogs/com_settings_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPortInfo>

#include "app/dialogs/static_text.h"

namespace orvalinder {
namespace {

QComboBox* settingBox(const QString& name, const std::vector<std::string>& list, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    // What the user types is what OK normalises: never completed from the
    // list, never added to it.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(12);
    for (const std::string& item : list) box->addItem(QString::fromStdString(item));
    return box;
}

void selectIn(QComboBox* box, const std::optional<int>& position) {
    // No position: no selection and an empty edit field.
    box->setCurrentIndex(position.value_or(-1));
}

std::string textOf(const QComboBox* box) { return box->currentText().toStdString(); }

}  // namespace

std::vector<FoundDevice> serialDevicesFound() {
    std::vector<FoundDevice> found;
    if (nativePathStyle() != PathStyle::Posix) return found;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        const QString about = port.description().isEmpty() ? port.manufacturer() : port.description();
        found.push_back({port.systemLocation().toStdString(), about.toStdString()});
    }
    return found;
}

CComSettingsDlg::CComSettingsDlg(MessageBoxes& boxes, SettingsStore& store,
                                 const std::vector<FoundDevice>& devicesFound, QWidget* parent,
                                 SerialConnection* finder)
    : QDialog(parent), boxes_(boxes), store_(store), finder_(finder) {
    setWindowTitle(QStringLiteral("Dialog"));

    for (const FoundDevice& device : devicesFound) devicePaths_.push_back(device.path);
    const std::vector<std::string> portList = comPortList(devicePaths_);

    // Created in tab order.
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    port_ = settingBox(QStringLiteral("comPort"), portList, this);
    // A device shows what it is; the path alone is what gets stored.
    const int firstDevice = port_->count() - static_cast<int>(devicesFound.size());
    for (size_t i = 0; i < devicesFound.size(); ++i) {
        if (devicesFound[i].description.empty()) continue;
        const int index = firstDevice + static_cast<int>(i);
        port_->setItemText(index, QStringLiteral("%1 (%2)").arg(QString::fromStdString(devicesFound[i].path),
                                                                QString::fromStdString(devicesFound[i].description)));
        port_->setItemData(index, QString::fromStdString(devicesFound[i].path));
    }
    parity_ = settingBox(QStringLiteral("parity"), parityList(), this);
    speed_ = settingBox(QStringLiteral("speed"), speedList(), this);
    dataBits_ = settingBox(QStringLiteral("dataBits"), dataBitsList(), this);
    stopBits_ = settingBox(QStringLiteral("stopBits"), stopBitsList(), this);
    auto* defaults = new QPushButton(QStringLiteral("&Set default values"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(staticText(QStringLiteral("These settings are for the connection that your Arduino sketch "
                                              "program makes and should match the values that you set in your "
                                              "sketch."),
                               this, true),
                    0, 0, 1, 3);
    grid->addWidget(
        staticText(QStringLiteral("Normal = port Com3 parity NONE, speed 115200, databits 8, stop bits 1."), this), 1,
        0, 1, 3);
    grid->addWidget(staticText(QStringLiteral("Any settings that are left empty or have invalid values will be set "
                                              "to defaults when OK is clicked."),
                               this),
                    2, 0, 1, 3);
    grid->setRowMinimumHeight(3, 8);
    const std::pair<const char*, QComboBox*> rows[] = {{"Com Port", port_},
                                                       {"Parity", parity_},
                                                       {"Speed", speed_},
                                                       {"Data Bits", dataBits_},
                                                       {"Stop Bits", stopBits_}};
    int row = 4;
    for (const auto& [label, box] : rows) {
        grid->addWidget(staticText(QString::fromLatin1(label), this), row, 0);
        grid->addWidget(box, row++, 1);
    }
    // The buttons stand beside the Parity, Data Bits and Stop Bits boxes.
    grid->addWidget(defaults, 5, 2, Qt::AlignLeft);
    grid->addWidget(cancel, 7, 2, Qt::AlignLeft);
    grid->addWidget(ok, 8, 2, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    grid->setHorizontalSpacing(24);

    if (finder_ && !finder_->looksAfterBoard()) finder_ = nullptr;
    if (finder_) {
        find_ = new QPushButton(QStringLiteral("&Find board"), this);
        find_->setToolTip(QStringLiteral("Asks every serial port whether the IrBridge board is on it."));
        grid->addWidget(find_, 4, 2, Qt::AlignLeft);
        searchProgress_ = new QProgressBar(this);
        searchProgress_->setTextVisible(false);
        searchProgress_->hide();
        grid->addWidget(searchProgress_, 9, 0, 1, 3);
        searchState_ = staticText(QString(), this, true);
        searchState_->setObjectName(QStringLiteral("searchState"));
        searchState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(searchState_, 10, 0, 1, 3);
        connect(find_, &QPushButton::clicked, this, &CComSettingsDlg::findBoard);
        connect(finder_, &SerialConnection::searchProgress, this, [this](const QString& text, int done, int total) {
            if (!finder_->searching()) return;  // a connect's own search
            searchProgress_->setRange(0, total);
            searchProgress_->setValue(done);
            searchState_->setText(text + QStringLiteral("..."));
        });
        connect(finder_, &SerialConnection::searchFinished, this, &CComSettingsDlg::searchFinished);
    }

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, [this] { select(defaultSelection()); });

    select(preselect(store_, portList));
}

CComSettingsDlg::~CComSettingsDlg() {
    if (finder_ && finder_->searching()) finder_->cancelSearch();
}

void CComSettingsDlg::findBoard() {
    if (finder_->searching()) {
        finder_->cancelSearch();  // the button reads "Stop looking" meanwhile
        return;
    }
    if (!finder_->findBoard()) {
        searchState_->setText(QStringLiteral("The board is being connected: look again when that is done."));
        return;
    }
    find_->setText(QStringLiteral("Stop &looking"));
    searchProgress_->setRange(0, 0);  // busy until the first port is asked
    searchProgress_->show();
    searchState_->setText(QStringLiteral("Listing the serial ports..."));
}

void CComSettingsDlg::searchFinished(const QString& path, const QString& version, const QString& message) {
    find_->setText(QStringLiteral("&Find board"));
    searchProgress_->hide();
    if (path.isEmpty()) {
        searchState_->setText(message.isEmpty() ? QStringLiteral("Stopped looking.") : message);
        return;
    }
    const int listed = port_->findData(path);
    if (listed >= 0)
        port_->setCurrentIndex(listed);
    else
        port_->setEditText(path);
    if (version.isEmpty())  // the board connected now, which said nothing of itself
        searchState_->setText(QStringLiteral("The board is connected on %1. Press OK to keep it.").arg(path));
    else
        searchState_->setText(
            QStringLiteral("The board answered on %1: IrBridge %2. Press OK to keep it.").arg(path, version));
}

void CComSettingsDlg::select(const Preselection& selection) {
    selectIn(port_, selection.port);
    selectIn(parity_, selection.parity);
    selectIn(speed_, selection.speed);
    selectIn(stopBits_, selection.stopBits);
    selectIn(dataBits_, selection.dataBits);
    if (selection.portText) port_->setEditText(QString::fromStdString(*selection.portText));
}

std::string CComSettingsDlg::portText() const {
    // A listed device chosen as it stands is stored by its path.
    const int index = port_->currentIndex();
    const QVariant path = index >= 0 ? port_->itemData(index) : QVariant();
    if (path.isValid() && port_->currentText() == port_->itemText(index)) return path.toString().toStdString();
    return textOf(port_);
}

void CComSettingsDlg::accept() {
    const PortSettings settings =
        normalise(TypedSettings{portText(), textOf(parity_), textOf(speed_), textOf(stopBits_), textOf(dataBits_)},
                  nativePathStyle(), devicePaths_);
    if (!writePortSettings(store_, settings)) {
        boxes_.show(this,
                    QStringLiteral("Can't save the com port settings.\n\nThe per-user settings could not be written, "
                                   "so the next connect would not use them.\nPlease check that your settings folder "
                                   "can be written, then press OK again."),
                    MessageIcon::Stop);
        return;
    }
    QDialog::accept();
}

}  // namespace orvalinder
