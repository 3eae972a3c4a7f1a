// Home Assistant and scripts drive the board through a real mosquitto
// broker: the program's parts offscreen, the board's firmware run by
// irbridge-avr (its receiver distorting as a real one does), and
// mosquitto_pub and mosquitto_sub as Home Assistant and the scripts.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QSignalSpy>
#include <memory>
#include <set>

#include "app/dialogs/home_assistant_dlg.h"
#include "app/offscreen_frame.h"
#include "app/port_override_store.h"
#include "app/program_parts.h"
#include "codes/protocols.h"
#include "core/commands.h"
#include "serial/qt_ports.h"
#include "serial/qt_settings_store.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/modal.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/program_seams.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

using testing::BrokerWatcher;
using testing::MosquittoBroker;
using testing::waitUntil;

// The program with a board of its own, as `--port` gives a window one,
// connected: irbridge-avr, the frames its LED sends ("sent NEC:20DF10EF
// 37915 Hz: 8999 4499 ...") and those played into its receiver.
struct Program {
    explicit Program(const QString& name) : folder(config.filePath(name)) {
        QObject::connect(&board, &QProcess::readyReadStandardOutput, [this] {
            while (board.canReadLine()) {
                const QString line = QString::fromUtf8(board.readLine().trimmed());
                if (port.isEmpty()) port = line;
                if (line.startsWith("sent ")) frames << line;
            }
        });
        board.start(QStringLiteral(IRBRIDGE_AVR), {QStringLiteral(IRBRIDGE_ELF)});
        waitUntil([this] { return !port.isEmpty(); });
        store = std::make_unique<PortOverrideStore>(stored, port.toStdString());
        ProgramSeams seams = testing::seamsIn(config, platform, *store, waits, state, &ports);
        seams.keycodeFolder = [f = folder.toStdString()] { return std::optional(f); };
        seams.dataFolder = folder;
        seams.homeAssistantSettings = folder + "/home-assistant.conf";
        parts = std::make_unique<ProgramParts>(seams);
        QSignalSpy checked(&parts->connection, &SerialConnection::boardChecked);
        connected = parts->connection.startConnect() && checked.wait(10000);
    }
    ~Program() {
        parts.reset();
        board.terminate();
        board.waitForFinished(5000);
    }

    // As the user does: Options > Home Assistant (MQTT)..., the broker and
    // its login, then OK (or Cancel).
    void useBroker(const MosquittoBroker& broker, mqtt::MqttSettings settings = {}, const char* button = "&OK") {
        settings.url = broker.url().toStdString();
        settings.user = MosquittoBroker::kUser;
        settings.password = MosquittoBroker::kPassword;
        testing::onNextModal<CHomeAssistantDlg>([&settings, button](CHomeAssistantDlg* dialog) {
            dialog->findChild<QCheckBox*>("enabled")->setChecked(true);
            const std::pair<const char*, const std::string&> fields[] = {{"url", settings.url},
                                                                         {"user", settings.user},
                                                                         {"password", settings.password},
                                                                         {"caFile", settings.caFile},
                                                                         {"baseTopic", settings.baseTopic},
                                                                         {"discoveryPrefix", settings.discoveryPrefix}};
            for (const auto& [name, text] : fields)
                dialog->findChild<QLineEdit*>(name)->setText(QString::fromStdString(text));
            dialog->findChild<QComboBox*>("protocol")->setCurrentIndex(settings.mqtt5 ? 0 : 1);
            QTest::mouseClick(testing::buttonNamed(*dialog, button), Qt::LeftButton);
        });
        parts->frame.action(command::HomeAssistant)->trigger();
    }
    QString topic(const char* name) const { return QString::fromStdString(link().topics().base) + "/" + name; }
    const HomeAssistantLink& link() const { return parts->homeAssistant; }
    void play(const QString& code) { board.write(("play " + code + "\n").toUtf8()); }
    // Exactly `count` frames sent, once they have come.
    bool sent(qsizetype count) {
        return waitUntil([&] { return frames.size() >= count; }) && frames.size() == count;
    }
    // A message to the program, then exactly one frame more from its board, this one.
    bool sends(MosquittoBroker& broker, const char* name, const QByteArray& payload, const QString& frame) {
        const qsizetype before = frames.size();
        return broker.publish(topic(name), payload) && sent(before + 1) && frames.last().startsWith(frame);
    }

    static inline QTemporaryDir config;
    QString folder, port;
    QStringList frames;
    QProcess board;
    QtSettingsStore stored;
    std::unique_ptr<PortOverrideStore> store;
    QtPortLister ports;
    BoardWaits waits;
    QuietPlatform quiet;
    testing::ScriptedBoxes boxes;
    Platform platform{boxes, quiet, quiet};
    QSettings state{testing::settingsIn(config), QSettings::IniFormat};
    std::unique_ptr<ProgramParts> parts;
    bool connected = false;
};

// An NEC frame as Home Assistant's infrared protocols write it, to send
// with `repeats` repeats.
QByteArray necCommand(uint32_t code, int repeats = 0) {
    QJsonArray timings{9000, -4500};
    for (int bit = 31; bit >= 0; --bit) timings << 560 << ((code >> bit) & 1 ? -1690 : -560);
    timings << 560;
    return QJsonDocument(QJsonObject{{"timings", timings}, {"modulation", 38000}, {"repeat_count", repeats}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject json(const QByteArray& payload) { return QJsonDocument::fromJson(payload).object(); }

class HomeAssistantBroker : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(broker->ok());
        ASSERT_TRUE(program.connected);
    }
    bool online(Program& p) { return watcher->waitFor(p.topic("availability"), "online").has_value(); }

    std::unique_ptr<MosquittoBroker> broker = std::make_unique<MosquittoBroker>();
    std::unique_ptr<BrokerWatcher> watcher = std::make_unique<BrokerWatcher>(*broker);
    Program program{"program"};
};

TEST_F(HomeAssistantBroker, DiscoversTheBoardAndItsRemotesThenSendsAndHears) {
    codes::Remote tv = codes::protocolRemote(codes::Protocol::Nec);
    tv.name = "tv";
    tv.keys = {{"KEY_POWER", {codes::remoteCode({codes::Protocol::Nec, 0x20DF10EF})}, {}},
               {"KEY_MUTE", {codes::remoteCode({codes::Protocol::Nec, 0x20DF906F})}, {}}};
    ASSERT_FALSE(program.parts->codes.addRemotes({tv}));
    // A remote of this board's from before, gone since.
    const QString board = "orvalinder-" + QString::fromStdString(program.link().defaultBaseTopic()).section('/', 1);
    const QString gone = "homeassistant/device/" + board + "_sofa/config";
    ASSERT_TRUE(broker->publish(gone, R"({"dev":{"identifiers":["x"]},"o":{"name":"Orvalinder"},"cmps":{}})", 1, true));
    program.useBroker(*broker);
    EXPECT_TRUE(program.boxes.shown.empty());  // the settings were saved
    // The password is the user's alone.
    EXPECT_EQ(QFile::permissions(program.folder + "/home-assistant.conf") & 0x0077, 0);  // none for group, others
    ASSERT_TRUE(online(program));
    EXPECT_TRUE(watcher->waitFor(gone, ""));
    // Named after this computer and the board's port ("/dev/pts/N": "-pts-N").
    EXPECT_TRUE(QString::fromStdString(program.link().topics().base).endsWith(program.port.mid(4).replace('/', '-')));

    // Discovery: the board's emitter and receiver, each remote's buttons,
    // with the fields the integrations' pages require.
    const QJsonValue none(QJsonValue::Undefined);
    std::set<QString> uniqueIds;
    QString press;
    int devices = 0;
    for (const auto& [topic, payload] : watcher->messages) {
        const QJsonObject config = json(payload), device = config["dev"].toObject();
        if (!topic.endsWith("/config") || config.isEmpty() || topic == gone) continue;
        ++devices;
        EXPECT_EQ(config["o"].toObject()["name"], "Orvalinder");
        EXPECT_EQ(config["availability_topic"].toString(), program.topic("availability"));
        const bool isBoard = device["identifiers"] == QJsonArray{board};
        EXPECT_EQ(device["model"], isBoard ? "IrBridge" : none);
        EXPECT_EQ(device["sw_version"], isBoard ? "1.1" : none);
        EXPECT_EQ(device["via_device"], isBoard ? none : board);
        const QJsonObject cmps = config["cmps"].toObject();
        if (isBoard) {
            EXPECT_EQ(cmps["emitter"]["schema"], "emitter");
            EXPECT_EQ(cmps["emitter"]["command_topic"].toString(), program.topic("emitter/command"));
            EXPECT_EQ(cmps["receiver"]["schema"], "receiver");
            EXPECT_EQ(cmps["receiver"]["state_topic"].toString(), program.topic("receiver/state"));
        }
        for (const QJsonValue& value : cmps) {
            const QJsonObject c = value.toObject();
            EXPECT_TRUE(uniqueIds.insert(c["unique_id"].toString()).second);
            EXPECT_EQ(c["p"], isBoard ? "infrared" : "button");
            if (isBoard) continue;
            EXPECT_EQ(config["command_topic"].toString(), program.topic("send"));
            EXPECT_EQ(c["payload_press"].toString(), device["name"].toString() + " " + c["name"].toString());
            if (c["payload_press"] == "tv KEY_POWER") press = c["payload_press"].toString();
        }
    }
    EXPECT_EQ(devices, 6);  // the board, the four pictures and tv

    // A remote added comes as a device of its own; the others, unchanged,
    // are not sent again.
    codes::Remote fan = tv;
    fan.name = "fan";
    const size_t before = watcher->messages.size();
    ASSERT_FALSE(program.parts->codes.addRemotes({fan}));
    const QString fanTopic = "homeassistant/device/" + board + "_fan/config";
    ASSERT_TRUE(watcher->waitFor(fanTopic).has_value());
    QTest::qWait(300);
    for (size_t m = before; m < watcher->messages.size(); ++m) EXPECT_EQ(watcher->messages[m].first, fanTopic);

    // The emitter: the frame and two repeats, each duration within 5 %.
    const QByteArray command = necCommand(0x20DF10EF, 2);
    const QJsonArray timings = json(command)["timings"].toArray();
    ASSERT_TRUE(broker->publish(program.topic("emitter/command"), command));
    ASSERT_TRUE(program.sent(3));
    for (const QString& frame : program.frames) {
        EXPECT_TRUE(frame.startsWith("sent NEC:20DF10EF ")) << frame.toStdString();
        EXPECT_NEAR(frame.section(' ', 2, 2).toInt(), 38000, 0.05 * 38000);
        const QStringList sent = frame.section("Hz: ", 1).split(' ');
        ASSERT_EQ(sent.size(), timings.size());
        for (qsizetype i = 0; i < sent.size(); ++i)
            EXPECT_NEAR(sent[i].toInt(), std::abs(timings[i].toInt()), 0.05 * std::abs(timings[i].toInt()));
    }
    ASSERT_TRUE(broker->publish(program.topic("emitter/command"), necCommand(0x20DF10EF, 1)));
    ASSERT_TRUE(program.sent(5));  // one repeat: twice

    // A button press, a script's send and hold.
    ASSERT_TRUE(program.sends(*broker, "send", press.toUtf8(), "sent NEC:20DF10EF "));
    ASSERT_TRUE(program.sends(*broker, "send", "tv KEY_MUTE\n", "sent NEC:20DF906F "));
    ASSERT_TRUE(broker->publish(program.topic("hold"), "start tv KEY_MUTE"));
    ASSERT_TRUE(waitUntil([&] { return program.frames.size() >= 11; }));
    ASSERT_TRUE(broker->publish(program.topic("hold"), "stop tv KEY_MUTE"));
    QTest::qWait(300);
    const qsizetype held = program.frames.size();
    QTest::qWait(500);
    EXPECT_EQ(program.frames.size(), held);

    // The receiver: what the board hears, the IR Monitor not shown, and
    // nothing in keycodes.txt.
    program.play(QStringLiteral("NEC:20DF10EF"));
    EXPECT_TRUE(watcher->waitFor(program.topic("received"), "NEC:20DF10EF"));
    const QJsonArray heard = json(watcher->waitFor(program.topic("receiver/state")).value_or(""))["timings"].toArray();
    ASSERT_EQ(heard.size(), timings.size());
    for (qsizetype i = 0; i < heard.size(); ++i) EXPECT_EQ(heard[i].toInt() > 0, i % 2 == 0);
    EXPECT_FALSE(QFile::exists(program.folder + "/keycodes.txt"));
    // Only the board's availability outlives the moment: a client that comes
    // later is not told of a press long past.
    EXPECT_EQ(broker->retainedTopics(QString::fromStdString(program.link().topics().base) + "/#"),
              QStringList({program.topic("availability")}));
    // The broker gives up on the program after 1.5 times its keep-alive.
    EXPECT_TRUE(broker->log().contains(", k30, u'")) << broker->log().toStdString();

    // Another base topic typed in and cancelled changes nothing.
    const QString state = program.link().stateText();
    EXPECT_EQ(state, "Home Assistant: connected to " + broker->url() + ", base topic " +
                         QString::fromStdString(program.link().topics().base));
    mqtt::MqttSettings elsewhere;
    elsewhere.baseTopic = "elsewhere";
    program.useBroker(*broker, elsewhere, "Cancel");
    EXPECT_EQ(program.link().stateText(), state);
    EXPECT_EQ(program.parts->homeAssistantSettings.load().baseTopic, "");
    // Typed in with OK: the devices leave the old topics for the new.
    program.useBroker(*broker, elsewhere);
    EXPECT_TRUE(watcher->waitFor("homeassistant/device/" + board + "/config", ""));
    ASSERT_TRUE(online(program));
    EXPECT_EQ(program.topic("send"), "elsewhere/send");

    // Home Assistant sees the board gone as it is let go.
    program.parts->sender.toggleConnection();
    EXPECT_TRUE(watcher->waitFor(program.topic("availability"), "offline"));
    // A frame that comes meanwhile is refused, saying why.
    ASSERT_TRUE(broker->publish(program.topic("emitter/command"), necCommand(0x20DF906F)));
    EXPECT_TRUE(
        waitUntil([&] { return program.parts->status.lines().line(3) == L"3. Refused: not connected to the board"; }));

    // Switched off in the dialog, the link takes its devices out of Home Assistant.
    ASSERT_FALSE(broker->retainedTopics("homeassistant/#").isEmpty());
    testing::onNextModal<CHomeAssistantDlg>([](CHomeAssistantDlg* dialog) {
        dialog->findChild<QCheckBox*>("enabled")->setChecked(false);
        QTest::mouseClick(testing::buttonNamed(*dialog, "&OK"), Qt::LeftButton);
    });
    program.parts->frame.action(command::HomeAssistant)->trigger();
    EXPECT_FALSE(program.parts->homeAssistantSettings.load().enabled);
    EXPECT_TRUE(waitUntil([&] { return broker->retainedTopics("homeassistant/#").isEmpty(); }))
        << broker->retainedTopics("#").join(" ").toStdString();
}

// The program's log, as it writes warnings to standard error.
QStringList logged;

TEST_F(HomeAssistantBroker, RefusesBadCommandsSayingWhyAndSendsNothing) {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg) logged << text;
    });
    program.useBroker(*broker);
    ASSERT_TRUE(online(program));
    const QByteArray tooMany = R"({"timings":[)" + QByteArray("560,-560,").repeated(50) + "560]}";
    const QByteArray tenMegabytes = R"({"timings":[)" + QByteArray(10 << 20, ' ') + "9000]}";
    const QByteArray largest = R"({"timings":[)" + QByteArray(65536 - 27, ' ') + "9000,4500,560]}";  // read
    const QString alternate = ": timings alternate, on first", carrier = " Hz, the board sends 30000 to 60000";
    const std::tuple<const char*, QByteArray, QString> rows[] = {
        {"emitter/command", "power on", "not JSON: illegal value"},
        {"emitter/command", R"({"timings":[9000,4500,560]})", "timing 2 is on where the LED should be off" + alternate},
        {"emitter/command", R"({"timings":[-9000,4500,560]})",
         "timing 1 is off where the LED should be on" + alternate},
        {"emitter/command", tooMany, "its frame has 101 durations with its silence, the board takes at most 100"},
        {"emitter/command", R"({"timings":[9000,-4500,560],"modulation":0})", "a carrier of 0" + carrier},
        {"emitter/command", R"({"timings":[9000,-4500,560],"modulation":1000000})", "a carrier of 1000000" + carrier},
        {"emitter/command", largest, "timing 2 is on where the LED should be off" + alternate},
        {"emitter/command", tenMegabytes,
         QStringLiteral("a message of %1 bytes, a command has at most 65536").arg(tenMegabytes.size())},
        {"send", "sofa KEY_POWER", "unknown remote: \"sofa\""},
        {"send", "panasonic KEY_EJECT", "unknown command: \"KEY_EJECT\""},
        {"send", "panasonic KEY_POWER 601", "too many repeats: \"601\" > \"600\""},
        {"hold", "pause panasonic KEY_POWER", "not start|stop REMOTE KEY"},
        {"hold", "stop panasonic KEY_POWER", "not repeating"},
    };
    for (const auto& [topic, payload, reason] : rows) {
        logged.clear();
        ASSERT_TRUE(broker->publish(program.topic(topic), payload));
        EXPECT_TRUE(waitUntil([&] { return logged.size() == 1; })) << reason.toStdString();
        EXPECT_TRUE(logged.join("").endsWith(program.topic(topic) + ": " + reason)) << logged.join("").toStdString();
        EXPECT_EQ(program.parts->status.lines().line(3), L"3. Refused: " + reason.toStdWString());
    }
    qInstallMessageHandler(nullptr);

    // None went to the board: the next frame it sends is a good command's.
    EXPECT_TRUE(program.sends(*broker, "emitter/command", necCommand(0x20DF906F), "sent NEC:20DF906F "));
}

TEST_F(HomeAssistantBroker, ComesBackAfterTheBrokerRestartsAndSendsWhatCameMeanwhileOnce) {
    // An address it cannot read first: it says why.
    mqtt::MqttSettings unreadable;
    unreadable.enabled = true;
    unreadable.url = "mqtt://host:0";
    program.parts->homeAssistant.apply(unreadable);
    EXPECT_EQ(program.link().stateText(), "Home Assistant: \"mqtt://host:0\" has no port between 1 and 65535");
    EXPECT_FALSE(program.link().connected());

    program.useBroker(*broker);
    ASSERT_TRUE(online(program));
    broker->stop();
    // The session is lost, then the broker is not there; the next try is two seconds away.
    ASSERT_TRUE(waitUntil([&] { return program.link().stateText().endsWith("trying again in 1 s"); }));
    EXPECT_TRUE(program.link().stateText().contains(" is not reached: The connection was lost."));
    ASSERT_TRUE(waitUntil([&] { return program.link().stateText().endsWith("trying again in 2 s"); }));
    EXPECT_TRUE(program.link().stateText().contains(" is not reached: Connection refused;"));
    EXPECT_TRUE(program.parts->status.lines().line(1).starts_with(L"1. Home Assistant: "));
    ASSERT_TRUE(broker->start());
    watcher = std::make_unique<BrokerWatcher>(*broker);
    // A script's command while the program is away waits in its session.
    ASSERT_TRUE(broker->publish(program.topic("send"), "panasonic KEY_POWER", 1));
    EXPECT_FALSE(program.link().connected());

    // The broker said the program's last will as it started again.
    EXPECT_TRUE(watcher->waitFor(program.topic("availability"), "offline"));
    ASSERT_TRUE(online(program));
    ASSERT_TRUE(program.sent(1));
    QTest::qWait(1500);
    EXPECT_TRUE(program.sent(1));
    broker->stop();  // a session that was up starts the back-off again
    EXPECT_TRUE(waitUntil([&] { return program.link().stateText().endsWith("trying again in 1 s"); }));
}

TEST_F(HomeAssistantBroker, OverTlsConnectsOnlyToTheBrokerItsCertificateAuthorityVouchesFor) {
    broker = std::make_unique<MosquittoBroker>(true);
    watcher = std::make_unique<BrokerWatcher>(*broker);
    // The system's authorities do not know the test's.
    program.useBroker(*broker);
    ASSERT_TRUE(waitUntil([&] { return program.link().stateText().contains("certificate verify failed"); }));

    mqtt::MqttSettings settings;
    settings.caFile = broker->caFile().toStdString();
    settings.mqtt5 = false;  // the other tests speak MQTT 5
    program.useBroker(*broker, settings);
    ASSERT_TRUE(online(program));
    EXPECT_TRUE(program.sends(*broker, "send", "panasonic KEY_POWER", "sent PANASONIC "));
}

// Another board on the program's port is another device: the first one is
// let go as offline, the new one comes online and sends.
TEST_F(HomeAssistantBroker, AnotherBoardIsAnotherDevice) {
    Program other{"other"};
    ASSERT_TRUE(other.connected);
    other.parts->sender.toggleConnection();  // its board is free
    program.useBroker(*broker);
    ASSERT_TRUE(online(program));
    const QString first = program.topic("availability");
    program.parts->sender.toggleConnection();
    program.store->setValue("Port", other.port.toStdString());
    QSignalSpy checked(&program.parts->connection, &SerialConnection::boardChecked);
    program.parts->sender.toggleConnection();
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_TRUE(watcher->waitFor(first, "offline"));
    EXPECT_NE(program.topic("availability"), first);
    ASSERT_TRUE(online(program));
    EXPECT_TRUE(broker->publish(program.topic("send"), "panasonic KEY_POWER"));
    EXPECT_TRUE(waitUntil([&] { return other.frames.size() == 1; }));
}

TEST_F(HomeAssistantBroker, TwoProgramsWithABoardEachAreTwoDevices) {
    Program second{"second"};
    ASSERT_TRUE(second.connected);
    program.useBroker(*broker);
    second.useBroker(*broker);
    ASSERT_TRUE(online(program) && online(second));
    EXPECT_NE(program.topic(""), second.topic(""));
    std::set<QString> emitters;
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& [topic, payload] : watcher->messages)
            if (const QJsonObject emitter = json(payload)["cmps"].toObject()["emitter"].toObject(); !emitter.isEmpty())
                emitters.insert(emitter["command_topic"].toString());
        return emitters.size() == 2;
    }));
    EXPECT_EQ(emitters, (std::set{program.topic("emitter/command"), second.topic("emitter/command")}));

    ASSERT_TRUE(program.sends(*broker, "emitter/command", necCommand(0x20DF10EF), "sent NEC:20DF10EF "));
    ASSERT_TRUE(second.sends(*broker, "send", "panasonic KEY_POWER", "sent PANASONIC "));
    QTest::qWait(300);
    EXPECT_TRUE(program.sent(1) && second.sent(1));
}

}  // namespace
}  // namespace orvalinder
