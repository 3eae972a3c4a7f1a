#include "app/dialogs/save_key_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "codes/lircd_conf.h"

namespace orvalinder {

namespace {
const QString kNewRemote = QStringLiteral("captured");
}

CSaveKeyDlg::CSaveKeyDlg(const QStringList& remotes, const QString& heard, const QString& picture, QWidget* parent)
    : QDialog(parent), remote_(new QComboBox(this)), chooser_(new KeyNameChooser(QString(), this)) {
    setWindowTitle(QStringLiteral("Save as key"));
    remote_->setEditable(true);
    remote_->addItems(remotes);
    if (!remotes.contains(kNewRemote)) remote_->addItem(kNewRemote);
    remote_->setCurrentText(kNewRemote);
    auto* remoteLabel = new QLabel(QStringLiteral("&Remote (one of yours, or a new name):"), this);
    remoteLabel->setBuddy(remote_);
    auto* nameLabel = new QLabel(QStringLiteral("&Name of the key (%1):").arg(heard), this);
    nameLabel->setBuddy(chooser_->nameEdit());
    auto* hint = new QLabel(
        QStringLiteral("A button of the %1 picture that goes by this name sends the key from now on.").arg(picture),
        this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("Save"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chooser_, &KeyNameChooser::activated, this, [this] {
        if (ok_->isEnabled()) accept();
    });
    connect(remote_, &QComboBox::currentTextChanged, this, &CSaveKeyDlg::enableOk);
    connect(chooser_->nameEdit(), &QLineEdit::textChanged, this, &CSaveKeyDlg::enableOk);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(remoteLabel);
    layout->addWidget(remote_);
    layout->addWidget(nameLabel);
    layout->addWidget(chooser_);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    resize(380, 480);
    enableOk();
    chooser_->setFocus();
}

std::string CSaveKeyDlg::remoteName() const { return codes::lircName(remote_->currentText().trimmed().toStdString()); }

std::string CSaveKeyDlg::keyName() const { return codes::lircName(chooser_->name().toStdString()); }

// As typed: the names as stored are never empty ("KEY" stands for none).
void CSaveKeyDlg::enableOk() {
    ok_->setEnabled(!remote_->currentText().trimmed().isEmpty() && !chooser_->name().isEmpty());
}

void saveCaptureAsKey(QWidget* parent, Platform& platform, COrvalinderView& view, const codes::CaptureRow& row) {
    ButtonCodes& codes = view.codes();
    const RemoteKind picture = view.state().picture;
    QStringList remotes;
    for (const codes::Remote& remote : codes.remotes()) remotes << QString::fromStdString(remote.name);
    // As the Remote menu names it.
    const std::string_view menuText = findRemote(picture)->menuText;
    const QString pictureShown =
        QString::fromUtf8(menuText.data(), static_cast<qsizetype>(menuText.size())).remove('&');
    CSaveKeyDlg dialog(remotes, QString::fromStdString(row.text), pictureShown, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string remoteName = dialog.remoteName();
    codes::RowKey saved = codes::keyOf(row, dialog.keyName());
    if (const auto failure = codes.saveKey(remoteName, saved.remote, saved.key)) {
        platform.boxes.show(parent, *failure, MessageIcon::Stop);
        return;
    }
    saved.remote.name = remoteName;
    saved.remote.keys = {saved.key};
    const auto matches = matchByName(codes.links(), picture, {saved.remote});
    std::wstring told = wide(saved.key.name) + L" saved in " + wide(remoteName);
    if (!matches.empty()) {
        const auto failure = codes.changeLinks([&](ButtonLinks& links) {
            for (const auto& [index, key] : matches) links.setLink(picture, index, key);
        });
        if (failure) platform.boxes.show(parent, *failure, MessageIcon::Stop);
        told += L", linked to button " + std::to_wstring(matches.front().first);
    }
    view.status().say(StatusLine::Sent, told);
}

}  // namespace orvalinder
