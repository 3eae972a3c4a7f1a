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
                if (path.isEmpty()) path = QString::fromUtf8(line);
                else if (line.startsWith("sent ")) frames << QString::fromUtf8(line);
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
    void SetUp() override {
        ASSERT_TRUE(broker.ok());
        ASSERT_TRUE(watcher.ready());
        ASSERT_TRUE(program.connectBoard());
    }

    bool online(Program& p, const char* state = "online") {
        return watcher.waitFor(p.topic("availability"), [&](const QByteArray& payload) { return payload == state; })
            .has_value();
    }

    MosquittoBroker broker{{.password = true}};
    BrokerWatcher watcher{broker};
    Program program;
};

TEST_F(HomeAssistantBroker, DiscoversTheBoardAndItsRemotesThenSendsAndHears) {
    codes::Remote tv = codes::protocolRemote(codes::Protocol::Nec);
    tv.name = "tv";
    tv.keys = {{"KEY_POWER", {codes::remoteCode({codes::Protocol::Nec, 0x20DF10EF})}, {}},
               {"KEY_MUTE", {codes::remoteCode({codes::Protocol::Nec, 0x20DF906F})}, {}}};
    ASSERT_FALSE(program.parts->codes.addRemotes({tv}));
    mqtt::MqttSettings settings;
    settings.user = MosquittoBroker::kUser;
    settings.password = MosquittoBroker::kPassword;
    program.useBroker(broker, settings);
    // The password is the user's alone.
    const QFile::Permissions others = QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther;
    EXPECT_FALSE(QFile::permissions(program.folder + "/home-assistant.conf") & others);
    ASSERT_TRUE(online(program));

    // Discovery: the board with its emitter and receiver, each remote with
    // its buttons, all with the fields the integrations' pages require.
    std::map<QString, QJsonObject> devices;
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& [topic, payload] : watcher.messages)
            if (topic.startsWith("homeassistant/device/") && topic.endsWith("/config")) devices[topic] = json(payload);
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

    // The emitter: the frame and one repeat, each duration within 5 %.
    const QJsonArray timings = necTimings(0x20DF10EF);
    ASSERT_TRUE(broker.publish(program.topic("emitter/command"), emitterCommand(timings, 1)));
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
    ASSERT_TRUE(broker.publish(buttonTopic, buttonPress.toUtf8()));
    ASSERT_TRUE(program.board.framesSent(3));
    EXPECT_TRUE(program.board.frames[2].startsWith("sent NEC:20DF10EF "));
    ASSERT_TRUE(broker.publish(program.topic("send"), "tv KEY_MUTE\n"));
    ASSERT_TRUE(program.board.framesSent(4));
    EXPECT_TRUE(program.board.frames[3].startsWith("sent NEC:20DF906F "));

    // The receiver: what the board hears, without the IR Monitor, and
    // nothing in keycodes.txt.
    program.board.play(QStringLiteral("NEC:20DF10EF"));
    EXPECT_TRUE(watcher.waitFor(program.topic("received"), [](const QByteArray& p) { return p == "NEC:20DF10EF"; }));
    const auto heard = watcher.waitFor(program.topic("receiver/state"), [](auto&) { return true; });
    ASSERT_TRUE(heard);
    const QJsonArray heardTimings = json(*heard)["timings"].toArray();
    ASSERT_EQ(heardTimings.size(), timings.size());
    for (qsizetype i = 0; i < heardTimings.size(); ++i) EXPECT_EQ(heardTimings[i].toInt() > 0, i % 2 == 0);
    EXPECT_FALSE(QFile::exists(program.folder + "/keycodes.txt"));
}

}  // namespace
}  // namespace orvalinder
