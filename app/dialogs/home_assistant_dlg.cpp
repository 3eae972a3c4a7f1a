#include "app/dialogs/home_assistant_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/static_text.h"
#include "mqtt/broker_url.h"

namespace orvalinder {
namespace {

QLineEdit* field(const std::string& text, const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(name);
    return edit;
}

std::string textOf(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

}  // namespace

CHomeAssistantDlg::CHomeAssistantDlg(MessageBoxes& boxes, const mqtt::MqttSettings& settings,
                                     const QString& defaultBaseTopic, const QString& state, QWidget* parent)
    : QDialog(parent), boxes_(boxes) {
    setWindowTitle(QStringLiteral("Home Assistant (MQTT)"));

    // Created in tab order.
    enabled_ = new QCheckBox(QStringLiteral("&Connect to the broker"), this);
    enabled_->setObjectName(QStringLiteral("enabled"));
    enabled_->setChecked(settings.enabled);
    url_ = field(settings.url, QStringLiteral("url"), this);
    url_->setPlaceholderText(QStringLiteral("mqtt://homeassistant.local:1883"));
    user_ = field(settings.user, QStringLiteral("user"), this);
    password_ = field(settings.password, QStringLiteral("password"), this);
    password_->setEchoMode(QLineEdit::Password);
    caFile_ = field(settings.caFile, QStringLiteral("caFile"), this);
    caFile_->setPlaceholderText(QStringLiteral("the system's, for mqtts://"));
    protocol_ = new QComboBox(this);
    protocol_->setObjectName(QStringLiteral("protocol"));
    protocol_->addItems({QStringLiteral("MQTT 5"), QStringLiteral("MQTT 3.1.1")});
    protocol_->setCurrentIndex(settings.mqtt5 ? 0 : 1);
    baseTopic_ = field(settings.baseTopic, QStringLiteral("baseTopic"), this);
    baseTopic_->setPlaceholderText(defaultBaseTopic);
    discoveryPrefix_ = field(settings.discoveryPrefix, QStringLiteral("discoveryPrefix"), this);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Broker &URL"), url_);
    form->addRow(QStringLiteral("U&ser"), user_);
    form->addRow(QStringLiteral("&Password"), password_);
    form->addRow(QStringLiteral("CA &file"), caFile_);
    form->addRow(QStringLiteral("P&rotocol"), protocol_);
    form->addRow(QStringLiteral("&Base topic"), baseTopic_);
    form->addRow(QStringLiteral("&Discovery prefix"), discoveryPrefix_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(staticText(QStringLiteral("Home Assistant finds the board as a device with an infrared "
                                                "emitter and receiver, and each remote as a device with a button "
                                                "for each named key. The password is kept in a file only you can "
                                                "read."),
                                 this, true));
    layout->addWidget(enabled_);
    layout->addLayout(form);
    auto* stateText = staticText(state, this, true);
    stateText->setObjectName(QStringLiteral("state"));
    stateText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(stateText);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

mqtt::MqttSettings CHomeAssistantDlg::settings() const {
    mqtt::MqttSettings s;
    s.enabled = enabled_->isChecked();
    s.url = textOf(url_);
    s.user = textOf(user_);
    s.password = password_->text().toStdString();  // blanks may belong to it
    s.caFile = textOf(caFile_);
    s.mqtt5 = protocol_->currentIndex() == 0;
    s.baseTopic = textOf(baseTopic_);
    s.discoveryPrefix = textOf(discoveryPrefix_).empty() ? "homeassistant" : textOf(discoveryPrefix_);
    return s;
}

void CHomeAssistantDlg::accept() {
    const mqtt::MqttSettings s = settings();
    if (s.enabled || !s.url.empty()) {
        const mqtt::ParsedBrokerUrl url = mqtt::parseBrokerUrl(s.url);
        if (!url.address) {
            boxes_.show(this, QString::fromStdString(url.error), MessageIcon::Stop);
            url_->setFocus();
            return;
        }
    }
    QDialog::accept();
}

}  // namespace orvalinder
