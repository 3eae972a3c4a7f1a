#include "app/dialogs/name_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "core/key_names.h"

namespace orvalinder {

KeyNameChooser::KeyNameChooser(const QString& currentName, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(currentName, this)), list_(new QListWidget(this)) {
    edit_->setPlaceholderText(QStringLiteral("A name of your own, or search LIRC's key names"));
    edit_->setClearButtonEnabled(true);
    for (const std::string_view name : lircKeyNames())
        list_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    if (const auto found = list_->findItems(currentName, Qt::MatchExactly); !found.isEmpty()) {
        list_->setCurrentItem(found.front());
        list_->scrollToItem(found.front(), QAbstractItemView::PositionAtCenter);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    layout->addWidget(list_);

    // Only the user's typing filters: a name chosen from the list keeps the
    // list as it was, to choose again.
    connect(edit_, &QLineEdit::textEdited, this, &KeyNameChooser::filter);
    connect(list_, &QListWidget::currentItemChanged, this, &KeyNameChooser::choose);
    connect(list_, &QListWidget::itemClicked, this, &KeyNameChooser::choose);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        choose(item);
        emit activated();
    });
    edit_->selectAll();
    setFocusProxy(edit_);
}

QString KeyNameChooser::name() const { return edit_->text().trimmed(); }

void KeyNameChooser::filter(const QString& search) {
    const std::string typed = search.trimmed().toStdString();
    for (int row = 0; row < list_->count(); ++row)
        list_->setRowHidden(row, !nameMatchesSearch(list_->item(row)->text().toStdString(), typed));
}

void KeyNameChooser::choose(QListWidgetItem* item) {
    if (item) edit_->setText(item->text());
}

CNameDlg::CNameDlg(const QString& currentName, QWidget* parent)
    : QDialog(parent), chooser_(new KeyNameChooser(currentName, this)) {
    setWindowTitle(QStringLiteral("Name a button"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chooser_, &KeyNameChooser::activated, this, &QDialog::accept);

    auto* label = new QLabel(QStringLiteral("&Name:"), this);
    label->setBuddy(chooser_->nameEdit());
    auto* hint =
        new QLabel(QStringLiteral("Left empty, the button goes by the name of its key, or the picture's."), this);
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(chooser_);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    resize(360, 440);
    chooser_->setFocus();
}

bool nameButton(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind kind, int index) {
    const std::string before = codes.links().name(kind, index);
    CNameDlg dialog(QString::fromStdString(before), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const std::string name = dialog.name().toStdString();
    if (name == before) return false;
    if (const auto failure = codes.changeLinks([&](ButtonLinks& links) { links.setName(kind, index, name); }))
        platform.boxes.show(parent, *failure + QStringLiteral("\nThe name holds until the program ends."),
                            MessageIcon::Stop);
    return true;
}

}  // namespace orvalinder
