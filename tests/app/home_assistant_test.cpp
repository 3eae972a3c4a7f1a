// Home Assistant and scripts drive the board through a real mosquitto
// broker: the program's parts offscreen, the board's firmware run by
// irbridge-avr (its receiver distorting as a real one does), and
// mosquitto_pub and mosquitto_sub as Home Assistant and the scripts.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <set>

#include "app/port_override_store.h"
#include "app/program_parts.h"
#include "codes/protocols.h"
#include "serial/qt_ports.h"
#include "serial/qt_settings_store.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/program_seams.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

using testing::BrokerWatcher;
using testing::MosquittoBroker;
using testing::waitUntil;

// irbridge-avr: its device, the frames its LED sends ("sent NEC:20DF10EF
// 38000 Hz: 9000 4500 ..."), and frames played into its receiver.
class SimulatedBoard {
public:
    SimulatedBoard() {
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (path.isEmpty())
                    path = QString::fromUtf8(line);
                else if (line.startsWith("sent "))
                    frames << QString::fromUtf8(line);
            }
        });
        process_.start(QStringLiteral(IRBRIDGE_AVR), {QStringLiteral(IRBRIDGE_ELF)});
        waitUntil([this] { return !path.isEmpty(); });
    }
    ~SimulatedBoard() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    void play(const QString& code) { process_.write(("play " + code + "\n").toUtf8()); }
    bool framesSent(qsizetype count, int ms = 10000) {
        return waitUntil([&] { return frames.size() >= count; }, ms);
    }

    QString path;
    QStringList frames;

private:
    QProcess process_;
};

// The program with its own board, as `--port` gives a window one.
struct Program {
    explicit Program(const QString& folderName = QStringLiteral("program"))
        : folder(config.filePath(folderName)), store(stored, board.path.toStdString()) {
        QDir().mkpath(folder);
        parts = std::make_unique<ProgramParts>(seams());
    }

    ProgramSeams seams() {
        ProgramSeams s = testing::seamsIn(config, platform, store, waits, state, &ports);
        s.dataFolder = folder + "/data";
        s.keycodeFolder = [f = folder.toStdString()] { return std::optional(f); };
        s.homeAssistantSettings = folder + "/home-assistant.conf";
        return s;
    }

    bool connectBoard() {
        QSignalSpy checked(&parts->connection, &SerialConnection::boardChecked);
        return parts->connection.startConnect() && checked.wait(10000);
    }

    // As Options > Home Assistant (MQTT)... stores and applies them.
    void useBroker(const MosquittoBroker& broker, mqtt::MqttSettings settings = {}) {
        settings.enabled = true;
        settings.url = broker.url().toStdString();
        ASSERT_TRUE(parts->homeAssistantSettings.save(settings));
        parts->homeAssistant.apply(parts->homeAssistantSettings.load());
    }
    QString topic(const char* name) const {
        return QString::fromStdString(parts->homeAssistant.topics().base) + "/" + name;
    }
    std::wstring status(int line) const { return parts->status.lines().line(line); }

    static inline QTemporaryDir config;
    SimulatedBoard board;
    QString folder;
    QtSettingsStore stored;
    PortOverrideStore store;
    QtPortLister ports;
    BoardWaits waits;
    testing::ScriptedBoxes boxes;
    testing::ScriptedPicker picker;
    testing::ScriptedFolders folders;
    Platform platform{boxes, picker, folders};
    QSettings state{testing::settingsIn(config), QSettings::IniFormat};
    std::unique_ptr<ProgramParts> parts;
};

// An NEC frame as Home Assistant's infrared protocols write it.
QJsonArray necTimings(uint32_t code) {
    QJsonArray timings{9000, -4500};
    for (int bit = 31; bit >= 0; --bit) {
        timings.append(560);
        timings.append((code >> bit) & 1 ? -1690 : -560);
    }
    timings.append(560);
    return timings;
}

QByteArray emitterCommand(const QJsonArray& timings, int repeats) {
    return QJsonDocument(QJsonObject{{"timings", timings}, {"modulation", 38000}, {"repeat_count", repeats}})
        .toJson(QJsonDocument::Compact);
}

// The durations of a frame the LED sent.
std::vector<int> sentDurations(const QString& frame) {
    std::vector<int> durations;
    for (const QString& d : frame.section(QStringLiteral("Hz:"), 1).split(' ', Qt::SkipEmptyParts))
        durations.push_back(d.toInt());
    return durations;
}

QJsonObject json(const QByteArray& payload) { return QJsonDocument::fromJson(payload).object(); }

class HomeAssistantBroker : public ::testing::Test {
protected:
    virtual MosquittoBroker::Options brokerOptions() { return {.password = true}; }

    void SetUp() override {
        broker = std::make_unique<MosquittoBroker>(brokerOptions());
        ASSERT_TRUE(broker->ok());
        watcher = std::make_unique<BrokerWatcher>(*broker);
        ASSERT_TRUE(watcher->ready());
        ASSERT_TRUE(program.connectBoard());
    }

    void useBroker(Program& p, mqtt::MqttSettings settings = {}) {
        if (brokerOptions().password) {
            settings.user = MosquittoBroker::kUser;
            settings.password = MosquittoBroker::kPassword;
        }
        p.useBroker(*broker, settings);
    }
    bool online(Program& p, const char* state = "online") {
        return watcher->waitFor(p.topic("availability"), [&](const QByteArray& payload) { return payload == state; })
            .has_value();
    }

    std::unique_ptr<MosquittoBroker> broker;
    std::unique_ptr<BrokerWatcher> watcher;
    Program program;
};

TEST_F(HomeAssistantBroker, DiscoversTheBoardAndItsRemotesThenSendsAndHears) {
    codes::Remote tv = codes::protocolRemote(codes::Protocol::Nec);
    tv.name = "tv";
    tv.keys = {{"KEY_POWER", {codes::remoteCode({codes::Protocol::Nec, 0x20DF10EF})}, {}},
               {"KEY_MUTE", {codes::remoteCode({codes::Protocol::Nec, 0x20DF906F})}, {}}};
    ASSERT_FALSE(program.parts->codes.addRemotes({tv}));
    // A remote of this board's from before, gone since.
    const QString deviceId =
        "orvalinder-" + QString::fromStdString(program.parts->homeAssistant.defaultBaseTopic()).section('/', 1);
    const QString gone = "homeassistant/device/" + deviceId + "_sofa/config";
    ASSERT_TRUE(broker->publish(gone, R"({"dev":{"identifiers":["x"]},"o":{"name":"Orvalinder"},"cmps":{}})", 1, true));
    useBroker(program);
    // The password is the user's alone.
    const QFile::Permissions others = QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther;
    EXPECT_FALSE(QFile::permissions(program.folder + "/home-assistant.conf") & others);
    ASSERT_TRUE(online(program));

    // Discovery: the board with its emitter and receiver, each remote with
    // its buttons, all with the fields the integrations' pages require.
    std::map<QString, QJsonObject> devices;
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& [topic, payload] : watcher->messages)
            if (topic.startsWith("homeassistant/device/") && topic.endsWith("/config")) devices[topic] = json(payload);
        devices.erase(gone);
        return devices.size() == 6;  // the board, the four pictures and tv
    }));
    std::set<QString> uniqueIds;
    QString boardId, buttonTopic, buttonPress;
    for (const auto& [topic, config] : devices) {
        const QJsonObject device = config["dev"].toObject();
        EXPECT_FALSE(device["identifiers"].toArray().isEmpty()) << topic.toStdString();
        EXPECT_FALSE(config["o"].toObject()["name"].toString().isEmpty());
        EXPECT_EQ(config["availability_topic"].toString(), program.topic("availability"));
        for (const QJsonValue& value : config["cmps"].toObject()) {
            const QJsonObject component = value.toObject();
            EXPECT_TRUE(uniqueIds.insert(component["unique_id"].toString()).second);
            if (component["p"] == "infrared") {
                boardId = device["identifiers"].toArray()[0].toString();
                EXPECT_EQ(device["model"], "IrBridge");
                EXPECT_EQ(device["sw_version"], "1.1");
                EXPECT_EQ(component["schema"] == "emitter" ? component["command_topic"] : component["state_topic"],
                          program.topic(component["schema"] == "emitter" ? "emitter/command" : "receiver/state"));
                continue;
            }
            EXPECT_EQ(component["p"], "button");
            EXPECT_EQ(config["command_topic"].toString(), program.topic("send"));
            EXPECT_EQ(component["payload_press"].toString(),
                      device["name"].toString() + " " + component["name"].toString());
            if (component["name"] == "KEY_POWER" && device["name"] == "tv") {
                buttonTopic = config["command_topic"].toString();
                buttonPress = component["payload_press"].toString();
            }
        }
        if (!config["cmps"].toObject().contains("emitter")) {
            EXPECT_EQ(device["via_device"].toString(), boardId);
        }
    }
    ASSERT_FALSE(buttonPress.isEmpty());
    EXPECT_TRUE(watcher->waitFor(gone, [](const QByteArray& payload) { return payload.isEmpty(); }));

    // The emitter: the frame and one repeat, each duration within 5 %.
    const QJsonArray timings = necTimings(0x20DF10EF);
    ASSERT_TRUE(broker->publish(program.topic("emitter/command"), emitterCommand(timings, 1)));
    ASSERT_TRUE(program.board.framesSent(2));
    for (const QString& frame : program.board.frames) {
        EXPECT_TRUE(frame.startsWith("sent NEC:20DF10EF ")) << frame.toStdString();
        EXPECT_NEAR(frame.section(' ', 2, 2).toInt(), 38000, 0.05 * 38000);
        const std::vector<int> sent = sentDurations(frame);
        ASSERT_EQ(sent.size(), static_cast<size_t>(timings.size()));
        for (size_t i = 0; i < sent.size(); ++i)
            EXPECT_NEAR(sent[i], std::abs(timings[static_cast<qsizetype>(i)].toInt()),
                        0.05 * std::abs(timings[static_cast<qsizetype>(i)].toInt()));
    }

    // A button press, and a script's send.
    ASSERT_TRUE(broker->publish(buttonTopic, buttonPress.toUtf8()));
    ASSERT_TRUE(program.board.framesSent(3));
    EXPECT_TRUE(program.board.frames[2].startsWith("sent NEC:20DF10EF "));
    ASSERT_TRUE(broker->publish(program.topic("send"), "tv KEY_MUTE\n"));
    ASSERT_TRUE(program.board.framesSent(4));
    EXPECT_TRUE(program.board.frames[3].startsWith("sent NEC:20DF906F "));

    // A script's hold: the key repeats as its remote repeats it, until stop.
    ASSERT_TRUE(broker->publish(program.topic("hold"), "start tv KEY_MUTE"));
    ASSERT_TRUE(program.board.framesSent(8));
    ASSERT_TRUE(broker->publish(program.topic("hold"), "stop tv KEY_MUTE"));
    QTest::qWait(300);
    const qsizetype held = program.board.frames.size();
    QTest::qWait(500);
    EXPECT_EQ(program.board.frames.size(), held);

    // The receiver: what the board hears, without the IR Monitor, and
    // nothing in keycodes.txt.
    program.board.play(QStringLiteral("NEC:20DF10EF"));
    EXPECT_TRUE(watcher->waitFor(program.topic("received"), [](const QByteArray& p) { return p == "NEC:20DF10EF"; }));
    const auto heard = watcher->waitFor(program.topic("receiver/state"), [](auto&) { return true; });
    ASSERT_TRUE(heard);
    const QJsonArray heardTimings = json(*heard)["timings"].toArray();
    ASSERT_EQ(heardTimings.size(), timings.size());
    for (qsizetype i = 0; i < heardTimings.size(); ++i) EXPECT_EQ(heardTimings[i].toInt() > 0, i % 2 == 0);
    EXPECT_FALSE(QFile::exists(program.folder + "/keycodes.txt"));
}

// The program's log, as it writes warnings to standard error.
QStringList logged;

TEST_F(HomeAssistantBroker, RefusesBadCommandsSayingWhyAndSendsNothing) {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg) logged << text;
    });
    useBroker(program);
    ASSERT_TRUE(online(program));

    QJsonArray tooMany;
    for (int i = 0; i < 101; ++i) tooMany.append(i % 2 ? -560 : 560);
    const QByteArray tenMegabytes = R"({"timings":[)" + QByteArray(10 * 1024 * 1024, ' ') + "9000]}";
    const struct {
        const char* topic;
        QByteArray payload;
        QString reason;
    } rows[] = {
        {"emitter/command", "power on", "not JSON"},
        {"emitter/command", R"({"timings":[9000,4500,560]})", "timing 2 is on where the LED should be off"},
        {"emitter/command", R"({"timings":[-9000,4500,560]})", "timing 1 is off where the LED should be on"},
        {"emitter/command", emitterCommand(tooMany, 0), "its frame has 101 durations"},
        {"emitter/command", R"({"timings":[9000,-4500,560],"modulation":0})", "a carrier of 0 Hz"},
        {"emitter/command", R"({"timings":[9000,-4500,560],"modulation":1000000})", "a carrier of 1000000 Hz"},
        {"emitter/command", tenMegabytes,
         QStringLiteral("a message of %1 bytes, a command has at most 65536").arg(tenMegabytes.size())},
        {"send", "sofa KEY_POWER", "unknown remote: \"sofa\""},
        {"send", "panasonic KEY_EJECT", "unknown command: \"KEY_EJECT\""},
        {"send", "panasonic KEY_POWER 601", "too many repeats: \"601\" > \"600\""},
        {"hold", "pause panasonic KEY_POWER", "not start|stop REMOTE KEY"},
        {"hold", "stop panasonic KEY_POWER", "not repeating"},
    };
    for (const auto& row : rows) {
        logged.clear();
        ASSERT_TRUE(broker->publish(program.topic(row.topic), row.payload));
        EXPECT_TRUE(waitUntil([&] { return logged.size() == 1; })) << row.reason.toStdString();
        EXPECT_TRUE(logged.join('\n').contains(row.reason)) << logged.join('\n').toStdString();
        EXPECT_EQ(QString::fromStdWString(program.status(3)), "3. Refused: " + logged.join("").section(": ", 2));
    }
    qInstallMessageHandler(nullptr);

    // None went to the board: the next frame it sends is a good command's.
    ASSERT_TRUE(broker->publish(program.topic("emitter/command"), emitterCommand(necTimings(0x20DF906F), 0)));
    ASSERT_TRUE(program.board.framesSent(1));
    EXPECT_TRUE(program.board.frames[0].startsWith("sent NEC:20DF906F ")) << program.board.frames[0].toStdString();
    EXPECT_EQ(program.board.frames.size(), 1);
}

class BrokerThatKeepsSessions : public HomeAssistantBroker {
    MosquittoBroker::Options brokerOptions() override { return {.password = true, .persistence = true}; }
};

TEST_F(BrokerThatKeepsSessions, TheProgramComesBackAndSendsWhatCameMeanwhileOnce) {
    useBroker(program);
    ASSERT_TRUE(online(program));
    broker->stop();
    // Its second try fails too; the next is two seconds away.
    const HomeAssistantLink& link = program.parts->homeAssistant;
    ASSERT_TRUE(waitUntil([&] { return link.stateText().endsWith("trying again in 2 s"); }));
    EXPECT_TRUE(program.status(1).starts_with(L"1. Home Assistant: ")) << program.status(1).size();
    ASSERT_TRUE(broker->start());
    watcher = std::make_unique<BrokerWatcher>(*broker);
    ASSERT_TRUE(watcher->ready());
    // A script's command while the program is away waits in its session.
    ASSERT_TRUE(broker->publish(program.topic("send"), "panasonic KEY_POWER", 1));
    EXPECT_FALSE(link.connected());

    // The broker said the program's last will as it started again.
    ASSERT_TRUE(online(program));
    const auto first = std::find_if(watcher->messages.begin(), watcher->messages.end(),
                                    [&](const auto& m) { return m.first == program.topic("availability"); });
    EXPECT_EQ(first->second, "offline");
    ASSERT_TRUE(program.board.framesSent(1));
    QTest::qWait(1500);
    EXPECT_EQ(program.board.frames.size(), 1) << program.board.frames.join('\n').toStdString();
}

class BrokerOverTls : public HomeAssistantBroker {
    MosquittoBroker::Options brokerOptions() override { return {.tls = true}; }
};

TEST_F(BrokerOverTls, ConnectsOnlyToTheBrokerItsCertificateAuthorityVouchesFor) {
    // The system's authorities do not know the test's.
    useBroker(program);
    const HomeAssistantLink& link = program.parts->homeAssistant;
    ASSERT_TRUE(waitUntil([&] { return link.stateText().contains("certificate verify failed"); }))
        << link.stateText().toStdString();

    mqtt::MqttSettings settings;
    settings.caFile = broker->caFile().toStdString();
    settings.mqtt5 = false;  // the other tests speak MQTT 5
    useBroker(program, settings);
    ASSERT_TRUE(online(program));
    ASSERT_TRUE(broker->publish(program.topic("send"), "panasonic KEY_POWER"));
    EXPECT_TRUE(program.board.framesSent(1));
}

TEST_F(HomeAssistantBroker, TwoProgramsWithABoardEachAreTwoDevices) {
    Program second(QStringLiteral("second"));
    ASSERT_TRUE(second.connectBoard());
    useBroker(program);
    useBroker(second);
    ASSERT_TRUE(online(program));
    ASSERT_TRUE(online(second));
    EXPECT_NE(program.topic(""), second.topic(""));
    for (Program* p : {&program, &second}) {
        const auto config = watcher->waitFor(QStringLiteral("homeassistant/device/%1/config")
                                                 .arg(QString::fromStdString(p->parts->homeAssistant.defaultBaseTopic())
                                                          .section('/', 1)
                                                          .prepend("orvalinder-")),
                                             [](auto&) { return true; });
        ASSERT_TRUE(config) << p->topic("").toStdString();
        EXPECT_EQ(json(*config)["cmps"].toObject()["emitter"].toObject()["command_topic"].toString(),
                  p->topic("emitter/command"));
    }

    ASSERT_TRUE(broker->publish(program.topic("emitter/command"), emitterCommand(necTimings(0x20DF10EF), 0)));
    ASSERT_TRUE(broker->publish(second.topic("send"), "panasonic KEY_POWER"));
    ASSERT_TRUE(program.board.framesSent(1));
    ASSERT_TRUE(second.board.framesSent(1));
    QTest::qWait(300);
    EXPECT_EQ(program.board.frames, QStringList{program.board.frames[0]});
    EXPECT_TRUE(program.board.frames[0].startsWith("sent NEC:20DF10EF "));
    EXPECT_EQ(second.board.frames.size(), 1);
    EXPECT_TRUE(second.board.frames[0].startsWith("sent PANASONIC ")) << second.board.frames[0].toStdString();
}

}  // namespace
}  // namespace orvalinder
