#include "app/dialogs/link_key_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "core/key_names.h"

namespace orvalinder {

namespace {

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

bool isKey(const QTreeWidgetItem* item) { return item && item->parent(); }

}  // namespace

CLinkKeyDlg::CLinkKeyDlg(const std::vector<codes::Remote>& library, const std::optional<LinkedKey>& current,
                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Link to a key"));
    auto* layout = new QVBoxLayout(this);
    const bool empty =
        std::all_of(library.begin(), library.end(), [](const codes::Remote& r) { return r.keys.empty(); });
    if (empty) {
        auto* message = new QLabel(QStringLiteral("Your code library is empty: import a file of codes (File > Import "
                                                  "codes) or learn the key from its remote."),
                                   this);
        message->setWordWrap(true);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(message);
        layout->addWidget(buttons);
        return;
    }

    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QStringLiteral("Search keys or remotes"));
    search_->setClearButtonEnabled(true);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    for (const codes::Remote& remote : library) {
        if (remote.keys.empty()) continue;
        auto* remoteItem = new QTreeWidgetItem(tree_, {text(remote.name)});
        remoteItem->setFlags(Qt::ItemIsEnabled);
        // A name the remote repeats is listed once: a link reaches its first key.
        std::set<std::string> listed;
        for (const codes::Key& key : remote.keys) {
            if (!listed.insert(key.name).second) continue;
            auto* keyItem = new QTreeWidgetItem(remoteItem, {text(key.name)});
            if (current == LinkedKey{remote.name, key.name} && !tree_->currentItem()) tree_->setCurrentItem(keyItem);
        }
    }
    tree_->expandAll();
    if (tree_->currentItem()) tree_->scrollToItem(tree_->currentItem(), QAbstractItemView::PositionAtCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("Link"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    layout->addWidget(search_);
    layout->addWidget(tree_);
    layout->addWidget(buttons);
    resize(380, 480);

    connect(search_, &QLineEdit::textChanged, this, &CLinkKeyDlg::filter);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &CLinkKeyDlg::keyChosen);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (isKey(item)) accept();
    });
    keyChosen();
    search_->setFocus();
}

// A remote whose name is found shows all its keys. The chosen key stays
// while it shows; else the first key shown is chosen, so that Enter in the
// search box links it.
void CLinkKeyDlg::filter(const QString& search) {
    const std::string typed = search.trimmed().toStdString();
    QTreeWidgetItem* first = nullptr;
    for (int r = 0; r < tree_->topLevelItemCount(); ++r) {
        QTreeWidgetItem* remote = tree_->topLevelItem(r);
        const bool remoteFound = nameMatchesSearch(remote->text(0).toStdString(), typed);
        bool anyShown = false;
        for (int k = 0; k < remote->childCount(); ++k) {
            QTreeWidgetItem* key = remote->child(k);
            const bool shown = remoteFound || nameMatchesSearch(key->text(0).toStdString(), typed);
            key->setHidden(!shown);
            anyShown = anyShown || shown;
            if (shown && !first) first = key;
        }
        remote->setHidden(!anyShown);
    }
    if (!isKey(tree_->currentItem()) || tree_->currentItem()->isHidden()) tree_->setCurrentItem(first);
    keyChosen();
}

void CLinkKeyDlg::keyChosen() {
    QTreeWidgetItem* item = tree_->currentItem();
    ok_->setEnabled(isKey(item) && !item->isHidden());
}

std::optional<LinkedKey> CLinkKeyDlg::chosenKey() const {
    if (!tree_) return std::nullopt;
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!isKey(item) || item->isHidden()) return std::nullopt;
    return LinkedKey{item->parent()->text(0).toStdString(), item->text(0).toStdString()};
}

bool linkButton(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind kind, int index) {
    const std::optional<LinkedKey> before = codes.links().link(kind, index);
    CLinkKeyDlg dialog(codes.remotes(), before, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const std::optional<LinkedKey> chosen = dialog.chosenKey();
    if (!chosen || chosen == before) return false;
    if (const auto failure = codes.changeLinks([&](ButtonLinks& links) { links.setLink(kind, index, *chosen); }))
        platform.boxes.show(parent, *failure + QStringLiteral("\nThe link holds until the program ends."),
                            MessageIcon::Stop);
    return true;
}

}  // namespace orvalinder
