// Options > Home Assistant (MQTT): what the user types is what OK returns,
// and a broker URL the program cannot read keeps the dialog open, saying why.

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs/home_assistant_dlg.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

TEST(HomeAssistantDialog, ReturnsWhatIsTypedOnceTheBrokerCanBeRead) {
    testing::ScriptedBoxes boxes;
    CHomeAssistantDlg dialog(boxes, mqtt::MqttSettings{}, QStringLiteral("orvalinder/pc-ttyACM0"), QString());
    dialog.show();
    const auto field = [&dialog](const char* name) { return dialog.findChild<QLineEdit*>(QLatin1String(name)); };
    EXPECT_EQ(field("password")->echoMode(), QLineEdit::Password);

    testing::buttonNamed(dialog, QStringLiteral("&Connect to the broker"))->click();
    QTest::keyClicks(field("url"), QStringLiteral("homeassistant.local"));
    testing::buttonNamed(dialog, QStringLiteral("&OK"))->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith("\"homeassistant.local\" is no broker"));
    EXPECT_TRUE(dialog.isVisible());

    field("url")->setText(QStringLiteral(" mqtts://homeassistant.local "));
    QTest::keyClicks(field("password"), QStringLiteral(" secret "));
    dialog.findChild<QComboBox*>(QStringLiteral("protocol"))->setCurrentIndex(1);
    field("discoveryPrefix")->clear();
    testing::buttonNamed(dialog, QStringLiteral("&OK"))->click();
    EXPECT_TRUE(testing::closedWith(dialog, QDialog::Accepted));
    const mqtt::MqttSettings typed = dialog.settings();  // the discovery prefix back to Home Assistant's
    EXPECT_EQ(typed, (mqtt::MqttSettings{true, "mqtts://homeassistant.local", "", " secret ", "", false, "",
                                         "homeassistant"}));
}

}  // namespace
}  // namespace orvalinder
