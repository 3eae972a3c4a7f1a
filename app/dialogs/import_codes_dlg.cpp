#include "app/dialogs/import_codes_dlg.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <unordered_map>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "codes/board_message.h"
#include "codes/formats.h"
#include "codes/lircd_conf.h"

namespace orvalinder {

namespace {

const QString kCodesFilter = QStringLiteral(
    "Codes (*.conf *.lircd *.ir *.txt *.csv);;LIRC remotes (*.conf *.lircd);;Flipper files (*.ir);;"
    "Pronto hex (*.txt);;IRDB files (*.csv);;All files (*)");

// The chooser's entries are shortened past this; the whole shows on hover.
constexpr qsizetype kLongestEntry = 40;

enum Column { RemoteColumn, KeyColumn, ButtonColumn, ColumnCount };

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

// The file's keys, a row each: the remote, the key's name and the button
// chosen for it, as an entry of the chooser ("(none)" first). The texts are
// made as rows show, from the remotes themselves. A button goes to one key.
class KeysToButtons : public QAbstractTableModel {
public:
    KeysToButtons(const std::vector<codes::Remote>& remotes, QObject* parent)
        : QAbstractTableModel(parent), remotes_(remotes) {
        for (uint32_t r = 0; r < remotes.size(); ++r) {
            firstRow_.push_back(static_cast<int>(rows_.size()));
            for (uint32_t k = 0; k < remotes[r].keys.size(); ++k) rows_.push_back({r, k, 0});
        }
    }

    // A picture's buttons as the chooser lists them, none chosen yet.
    void setEntries(QStringList entries) {
        beginResetModel();
        entries_ = std::move(entries);
        for (Row& row : rows_) row.entry = 0;
        rowOfEntry_.assign(static_cast<size_t>(entries_.size()), -1);
        endResetModel();
    }
    const QStringList& entries() const { return entries_; }

    // Choosing a button for a key frees it from any other.
    void choose(int row, int entry) {
        Row& chosen = rows_[static_cast<size_t>(row)];
        if (chosen.entry == entry) return;
        if (const int other = entry > 0 ? rowOfEntry_[static_cast<size_t>(entry)] : -1; other >= 0) {
            rows_[static_cast<size_t>(other)].entry = 0;
            buttonChanged(other);
        }
        if (chosen.entry > 0) rowOfEntry_[static_cast<size_t>(chosen.entry)] = -1;
        chosen.entry = entry;
        if (entry > 0) rowOfEntry_[static_cast<size_t>(entry)] = row;
        buttonChanged(row);
    }

    // The row of a key, or -1.
    int rowOf(const LinkedKey& key) const {
        for (size_t r = 0; r < remotes_.size(); ++r)
            if (remotes_[r].name == key.remote) {
                const codes::Key* found = codes::findKey(remotes_[r], key.key);
                return found ? firstRow_[r] + static_cast<int>(found - remotes_[r].keys.data()) : -1;
            }
        return -1;
    }

    std::vector<std::pair<int, LinkedKey>> chosen() const {
        std::vector<std::pair<int, LinkedKey>> links;
        for (size_t entry = 1; entry < rowOfEntry_.size(); ++entry)
            if (const int row = rowOfEntry_[entry]; row >= 0) {
                const Row& r = rows_[static_cast<size_t>(row)];
                links.push_back(
                    {static_cast<int>(entry) - 1, {remotes_[r.remote].name, remotes_[r.remote].keys[r.key].name}});
            }
        return links;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    // Long texts are shortened by the view; the tooltip shows them whole. A
    // key the board cannot send is marked, and its tooltip says why.
    QVariant data(const QModelIndex& index, int role) const override {
        const Row& row = rows_[static_cast<size_t>(index.row())];
        if (index.column() == KeyColumn && role == Qt::ForegroundRole)
            return sendProblem(index.row()).isEmpty() ? QVariant() : QVariant(QColor(170, 0, 0));
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::EditRole) return {};
        switch (index.column()) {
        case RemoteColumn: return text(remotes_[row.remote].name);
        case KeyColumn: {
            const QString name = text(remotes_[row.remote].keys[row.key].name);
            const QString problem = sendProblem(index.row());
            if (problem.isEmpty()) return name;
            return role == Qt::ToolTipRole ? name + QStringLiteral("\nThe board can't send it: ") + problem
                                           : name + QStringLiteral(" (can't be sent)");
        }
        default: return role == Qt::EditRole ? QVariant(row.entry) : QVariant(entries_[row.entry]);
        }
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        const int entry = value.toInt();
        if (role != Qt::EditRole || index.column() != ButtonColumn || entry < 0 || entry >= entries_.size())
            return false;
        choose(index.row(), entry);
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        return index.column() == ButtonColumn ? flags | Qt::ItemIsEditable : flags;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        static const char* const names[] = {"Remote", "Key", "Button"};
        return QString::fromLatin1(names[section]);
    }

private:
    struct Row {
        uint32_t remote, key;
        int entry;
    };
    void buttonChanged(int row) {
        const QModelIndex cell = index(row, ButtonColumn);
        emit dataChanged(cell, cell);
    }
    // Why the board cannot send a row's key, empty when it can: worked out
    // as rows show, since a file may hold 200,000 keys.
    QString sendProblem(int row) const {
        auto known = problems_.find(row);
        if (known == problems_.end()) {
            const Row& r = rows_[static_cast<size_t>(row)];
            QString problem;
            try {
                codes::boardMessages(remotes_[r.remote], remotes_[r.remote].keys[r.key]);
            } catch (const codes::CodesError& error) {
                problem = text(error.what());
                // The key's name leads the library's text; the row shows it already.
                if (const qsizetype colon = problem.indexOf(QStringLiteral("': ")); colon >= 0)
                    problem = problem.mid(colon + 3);
            }
            known = problems_.emplace(row, problem).first;
        }
        return known->second;
    }

    const std::vector<codes::Remote>& remotes_;
    std::vector<Row> rows_;
    std::vector<int> firstRow_;  // of each remote
    QStringList entries_;
    std::vector<int> rowOfEntry_;                        // the row each entry is chosen for, or -1
    mutable std::unordered_map<int, QString> problems_;  // of the rows shown so far
};

namespace {

// The button chooser of the row clicked: the picture's buttons, long
// names shortened and whole on hover. A button chosen is taken at once.
class ButtonChooser : public QStyledItemDelegate {
public:
    ButtonChooser(const KeysToButtons& keys, QObject* parent) : QStyledItemDelegate(parent), keys_(keys) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* chooser = new QComboBox(parent);
        for (const QString& entry : keys_.entries()) {
            chooser->addItem(entry.size() > kLongestEntry ? entry.left(kLongestEntry - 1) + QChar(0x2026) : entry);
            chooser->setItemData(chooser->count() - 1, entry, Qt::ToolTipRole);
        }
        auto* self = const_cast<ButtonChooser*>(this);
        connect(chooser, &QComboBox::activated, self, [self, chooser] {
            emit self->commitData(chooser);
            emit self->closeEditor(chooser);
        });
        return chooser;
    }
    // Drawn as the chooser it opens into, the name shortened to fit.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        QStyleOptionComboBox box;
        box.rect = option.rect;
        box.palette = option.palette;
        box.fontMetrics = option.fontMetrics;
        box.state = option.state | QStyle::State_Enabled;
        const QRect field =
            style->subControlRect(QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, option.widget);
        box.currentText = option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, field.width());
        style->drawComplexControl(QStyle::CC_ComboBox, &box, painter, option.widget);
        style->drawControl(QStyle::CE_ComboBoxLabel, &box, painter, option.widget);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setCurrentIndex(index.data(Qt::EditRole).toInt());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentIndex());
    }

private:
    const KeysToButtons& keys_;
};

}  // namespace

CImportCodesDlg::CImportCodesDlg(const QString& fileName, std::vector<codes::Remote> remotes, const ButtonLinks& links,
                                 RemoteKind picture, QWidget* parent)
    : QDialog(parent),
      remotes_(std::move(remotes)),
      links_(links),
      pictureBox_(new QComboBox(this)),
      keys_(new KeysToButtons(remotes_, this)),
      table_(new QTableView(this)),
      summary_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Import codes"));
    for (const RemoteInfo& info : remoteCatalogue()) {
        if (info.kind == IrMonitor) continue;
        QString name = QString::fromUtf8(info.menuText);
        pictureBox_->addItem(name.remove(QLatin1Char('&')), static_cast<int>(info.kind));
    }
    pictureBox_->setCurrentIndex(std::max(0, pictureBox_->findData(static_cast<int>(picture))));

    table_->setModel(keys_);
    table_->setItemDelegateForColumn(ButtonColumn, new ButtonChooser(*keys_, table_));
    // The chooser opens on any click, on the row chosen last too.
    table_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    connect(table_, &QAbstractItemView::clicked, table_, [this](const QModelIndex& cell) {
        if (cell.column() == ButtonColumn) table_->edit(cell);
    });
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setWordWrap(false);  // a long name is shortened, not cut off
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The columns share the width whatever the names' lengths.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setColumnHidden(RemoteColumn, remotes_.size() == 1);  // the file's one remote goes without saying
    connect(keys_, &QAbstractItemModel::dataChanged, this, &CImportCodesDlg::countLinks);

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

// The chooser lists the picture's buttons with their names; the keys whose
// names match start on their buttons.
void CImportCodesDlg::showPicture() {
    const RemoteKind kind = picture();
    QStringList entries{QStringLiteral("(none)")};
    const int count = static_cast<int>(clickAreas(kind).size());
    for (int index = 0; index < count; ++index) {
        const std::string name = links_.shownName(kind, index);
        entries << (name.empty() ? QString::number(index) : QStringLiteral("%1  %2").arg(index).arg(text(name)));
    }
    keys_->setEntries(entries);
    for (const auto& [index, key] : matchByName(links_, kind, remotes_))
        if (const int row = keys_->rowOf(key); row >= 0) keys_->choose(row, index + 1);
    countLinks();
}

void CImportCodesDlg::countLinks() {
    summary_->setText(
        QStringLiteral("%1 of %2 keys linked to buttons.").arg(keys_->chosen().size()).arg(keys_->rowCount()));
}

std::vector<std::pair<int, LinkedKey>> CImportCodesDlg::chosenLinks() const { return keys_->chosen(); }

namespace {

// A large file's keys leave freed memory that glibc keeps for the process
// unless asked to give it back.
void giveMemoryBack() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void importFile(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind shown, const QString& path) {
    std::vector<codes::Remote> remotes;
    try {
        remotes = codes::readCodesFile(path.toStdString());
        size_t keys = 0;
        for (const codes::Remote& remote : remotes) keys += remote.keys.size();
        if (keys == 0) {
            platform.boxes.show(parent, QStringLiteral("%1 holds no codes.").arg(path), MessageIcon::Stop);
            return;
        }
        remotes = ButtonCodes::asStored(remotes);
    } catch (const codes::CodesError& e) {
        platform.boxes.show(parent, QStringLiteral("Can't import codes from %1:\n%2").arg(path, text(e.what())),
                            MessageIcon::Stop);
        return;
    }

    CImportCodesDlg dialog(QFileInfo(path).fileName(), std::move(remotes), codes.links(),
                           shown == IrMonitor ? Panasonic : shown, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto failure = codes.addRemotes(dialog.remotes())) {
        platform.boxes.show(parent, *failure, MessageIcon::Stop);
        return;
    }
    const auto failure = codes.changeLinks([&dialog](ButtonLinks& links) {
        for (const auto& [index, key] : dialog.chosenLinks()) links.setLink(dialog.picture(), index, key);
    });
    if (failure)
        platform.boxes.show(parent, *failure + QStringLiteral("\nThe links hold until the program ends."),
                            MessageIcon::Stop);
}

}  // namespace

void importCodes(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind shown, QString path) {
    if (path.isEmpty()) path = platform.files.openFile(parent, QStringLiteral("Import codes"), kCodesFilter);
    if (path.isEmpty()) return;
    importFile(parent, platform, codes, shown, path);
    giveMemoryBack();
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
