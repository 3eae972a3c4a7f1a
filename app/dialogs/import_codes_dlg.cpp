#include "app/dialogs/import_codes_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include "codes/formats.h"
#include "codes/lircd_conf.h"

namespace orvalinder {

namespace {

const QString kCodesFilter =
    QStringLiteral("Codes (*.conf *.lircd *.ir *.txt);;LIRC remotes (*.conf *.lircd);;Flipper files (*.ir);;"
                   "Pronto hex (*.txt);;All files (*)");

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The remotes as the library will hold them: key names are single words in
// a lircd.conf, and the links must name the keys as stored.
std::vector<codes::Remote> asStored(const std::vector<codes::Remote>& remotes) {
    return codes::readLircdConf(codes::writeLircdConf(remotes), "import");
}

}  // namespace

CImportCodesDlg::CImportCodesDlg(const QString& fileName, std::vector<codes::Remote> remotes, const ButtonLinks& links,
                                 RemoteKind picture, QWidget* parent)
    : QDialog(parent),
      remotes_(std::move(remotes)),
      links_(links),
      pictureBox_(new QComboBox(this)),
      table_(new QTableWidget(this)),
      summary_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Import codes"));
    for (const RemoteInfo& info : remoteCatalogue()) {
        if (info.kind == IrMonitor) continue;
        QString name = QString::fromUtf8(info.menuText);
        pictureBox_->addItem(name.remove(QLatin1Char('&')), static_cast<int>(info.kind));
    }
    pictureBox_->setCurrentIndex(std::max(0, pictureBox_->findData(static_cast<int>(picture))));

    for (const codes::Remote& remote : remotes_)
        for (const codes::Key& key : remote.keys) keys_.push_back({remote.name, key.name});
    table_->setColumnCount(3);
    table_->setHorizontalHeaderLabels({QStringLiteral("Remote"), QStringLiteral("Key"), QStringLiteral("Button")});
    table_->setRowCount(static_cast<int>(keys_.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->verticalHeader()->hide();
    for (int row = 0; row < table_->rowCount(); ++row) {
        table_->setItem(row, 0, new QTableWidgetItem(text(keys_[static_cast<size_t>(row)].remote)));
        table_->setItem(row, 1, new QTableWidgetItem(text(keys_[static_cast<size_t>(row)].key)));
        auto* chooser = new QComboBox(table_);
        table_->setCellWidget(row, 2, chooser);
        connect(chooser, &QComboBox::activated, this, [this, row] { buttonChosen(row); });
    }
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    table_->setColumnHidden(0, remotes_.size() == 1);  // the file's one remote goes without saying

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Link to the buttons of:"), pictureBox_);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("%1: keys whose names match a button are linked to it. Choose a button "
                                              "for any other key you want on the picture.")
                                   .arg(fileName),
                               this);
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addWidget(table_);
    layout->addWidget(summary_);
    layout->addWidget(buttons);
    resize(560, 520);

    connect(pictureBox_, &QComboBox::currentIndexChanged, this, &CImportCodesDlg::showPicture);
    showPicture();
}

RemoteKind CImportCodesDlg::picture() const { return static_cast<RemoteKind>(pictureBox_->currentData().toInt()); }

QComboBox* CImportCodesDlg::buttonBox(int row) const { return qobject_cast<QComboBox*>(table_->cellWidget(row, 2)); }

// The button choosers list the picture's buttons with their names, and
// start at the buttons whose names match.
void CImportCodesDlg::showPicture() {
    const RemoteKind kind = picture();
    QStringList entries{QStringLiteral("(none)")};
    const int count = static_cast<int>(clickAreas(kind).size());
    for (int index = 0; index < count; ++index) {
        const std::string name = links_.shownName(kind, index);
        entries << (name.empty() ? QString::number(index) : QStringLiteral("%1  %2").arg(index).arg(text(name)));
    }
    const auto matches = matchByName(links_, kind, remotes_);
    for (int row = 0; row < table_->rowCount(); ++row) {
        QComboBox* chooser = buttonBox(row);
        chooser->clear();
        chooser->addItems(entries);
        for (const auto& [index, key] : matches)
            if (key == keys_[static_cast<size_t>(row)]) chooser->setCurrentIndex(index + 1);
    }
    countLinks();
}

// A button is linked to one key: choosing it for a key frees it elsewhere.
void CImportCodesDlg::buttonChosen(int row) {
    const int chosen = buttonBox(row)->currentIndex();
    for (int other = 0; other < table_->rowCount(); ++other)
        if (other != row && chosen > 0 && buttonBox(other)->currentIndex() == chosen) buttonBox(other)->setCurrentIndex(0);
    countLinks();
}

void CImportCodesDlg::countLinks() {
    summary_->setText(QStringLiteral("%1 of %2 keys linked to buttons.")
                          .arg(chosenLinks().size())
                          .arg(table_->rowCount()));
}

std::vector<std::pair<int, LinkedKey>> CImportCodesDlg::chosenLinks() const {
    std::vector<std::pair<int, LinkedKey>> chosen;
    for (int row = 0; row < table_->rowCount(); ++row)
        if (const int entry = buttonBox(row)->currentIndex(); entry > 0)
            chosen.push_back({entry - 1, keys_[static_cast<size_t>(row)]});
    return chosen;
}

bool importCodes(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind shown, QString path) {
    if (path.isEmpty()) path = platform.files.openFile(parent, QStringLiteral("Import codes"), kCodesFilter);
    if (path.isEmpty()) return false;
    std::vector<codes::Remote> remotes;
    try {
        remotes = codes::readCodesFile(path.toStdString());
        size_t keys = 0;
        for (const codes::Remote& remote : remotes) keys += remote.keys.size();
        if (keys == 0) {
            platform.boxes.show(parent, QStringLiteral("%1 holds no codes.").arg(path), MessageIcon::Stop);
            return false;
        }
        remotes = asStored(remotes);
    } catch (const codes::CodesError& e) {
        platform.boxes.show(parent, QStringLiteral("Can't import codes from %1:\n%2").arg(path, text(e.what())),
                            MessageIcon::Stop);
        return false;
    }

    CImportCodesDlg dialog(QFileInfo(path).fileName(), remotes, codes.links(), shown == IrMonitor ? Panasonic : shown,
                           parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (const auto failure = codes.addRemotes(remotes)) {
        platform.boxes.show(parent, *failure, MessageIcon::Stop);
        return false;
    }
    const auto failure = codes.changeLinks([&dialog](ButtonLinks& links) {
        for (const auto& [index, key] : dialog.chosenLinks()) links.setLink(dialog.picture(), index, key);
    });
    if (failure)
        platform.boxes.show(parent, *failure + QStringLiteral("\nThe links hold until the program ends."),
                            MessageIcon::Stop);
    return true;
}

void exportCodes(QWidget* parent, Platform& platform, const ButtonCodes& codes) {
    const std::vector<codes::Remote>& library = codes.remotes();
    if (library.empty()) {
        platform.boxes.show(parent, QStringLiteral("You have no codes to export yet: import a file of codes first."),
                            MessageIcon::Information);
        return;
    }
    std::vector<codes::Remote> chosen = library;
    if (library.size() > 1) {
        QStringList names{QStringLiteral("All remotes")};
        for (const codes::Remote& remote : library) names << text(remote.name);
        bool ok = false;
        const QString name = QInputDialog::getItem(parent, QStringLiteral("Export codes"), QStringLiteral("Remote:"),
                                                   names, 0, false, &ok);
        if (!ok) return;
        const qsizetype index = names.indexOf(name);
        if (index > 0) chosen = {library[static_cast<size_t>(index - 1)]};
    }
    const QString path = platform.files.saveFile(
        parent, QStringLiteral("Export codes"),
        QStringLiteral("LIRC remotes (*.lircd.conf);;Flipper files (*.ir);;Pronto hex (*.txt)"));
    if (path.isEmpty()) return;

    const QString suffix = QFileInfo(path).suffix().toLower();
    const codes::Format format = suffix == QStringLiteral("ir")    ? codes::Format::Flipper
                                 : suffix == QStringLiteral("txt") ? codes::Format::Pronto
                                                                   : codes::Format::Lircd;
    std::string written;
    try {
        written = codes::writeCodes(chosen, format);
    } catch (const codes::CodesError& e) {
        platform.boxes.show(parent, QStringLiteral("Can't export the codes as %1:\n%2").arg(path, text(e.what())),
                            MessageIcon::Stop);
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(written.data(), static_cast<qint64>(written.size())) < 0 ||
        !file.commit())
        platform.boxes.show(parent, QStringLiteral("Can't write %1:\n%2").arg(path, file.errorString()),
                            MessageIcon::Stop);
}

}  // namespace orvalinder
