#!/usr/bin/env python3
"""Mutation run over the rules, the serial link and the board's firmware.

Applies one small fault at a time to a source file, rebuilds the test
executables that can see it, runs them, and puts the file back. A mutant is
caught when a test fails, crashes or hangs. The table below is the fixed list
of mutants; give new ones the next number at the end so earlier results stay
comparable.

    scripts/mutants.py            run every mutant (about 10 minutes)
    scripts/mutants.py --list     list them
    scripts/mutants.py --only 12  run one

Uses the default preset's build tree (build/default), configuring it when it
is missing. Every mutated file must be unchanged in git before a run.
"""

import argparse
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Test executables, fastest first: a mutant is caught by the first that fails.
EXECUTABLES = {
    "core_tests": "tests/core_tests",
    "dialogs_tests": "tests/dialogs/dialogs_tests",
    "swap_bits_flow_tests": "tests/swap_bits_flow_tests",
    "line_queue_tests": "tests/line_queue_tests",
    "window_tests": "tests/window_tests",
    "menu_flow_tests": "tests/menu_flow_tests",
    "serial_pty_tests": "tests/serial_pty_tests",
    "firmware_tests": "tests/firmware/firmware_tests",
    "irbridge_firmware_tests": "tests/avrsim/irbridge_firmware_tests",
}

# The executables that can see a change to each file. The end-to-end run is
# left out: it takes minutes and drives the same code as the window tests.
_PURE_SERIAL = ["core_tests", "line_queue_tests", "window_tests", "serial_pty_tests"]
_SETTINGS = ["core_tests", "dialogs_tests", "menu_flow_tests", "window_tests", "serial_pty_tests"]
_GEOMETRY = ["core_tests", "window_tests", "menu_flow_tests"]
TARGETS = {
    "core/current_directory.cpp": ["core_tests", "line_queue_tests", "window_tests", "menu_flow_tests"],
    "core/picture_geometry.cpp": _GEOMETRY,
    "core/picture_geometry.h": _GEOMETRY,
    "core/remote_catalogue.cpp": _GEOMETRY,
    "core/view_layout.h": _GEOMETRY,
    "serial/hex_value.cpp": ["core_tests", "line_queue_tests", "swap_bits_flow_tests"],
    "serial/key_sender.cpp": ["core_tests", "window_tests"],
    "serial/keycode_logger.cpp": _PURE_SERIAL,
    "serial/keycode_logger.h": _PURE_SERIAL,
    "serial/line_assembler.cpp": _PURE_SERIAL,
    "serial/line_assembler.h": _PURE_SERIAL,
    "serial/line_queue.h": ["line_queue_tests", "window_tests", "serial_pty_tests"],
    "serial/line_receiver.cpp": _PURE_SERIAL,
    "serial/port_settings.cpp": _SETTINGS,
    "serial/port_settings.h": _SETTINGS,
    "serial/serial_link.cpp": ["core_tests", "window_tests", "menu_flow_tests", "serial_pty_tests"],
    "serial/serial_link.h": ["core_tests", "window_tests", "menu_flow_tests", "serial_pty_tests"],
    "serial/qt_serial_device.cpp": ["window_tests", "serial_pty_tests"],
    "serial/serial_connection.cpp": ["window_tests", "menu_flow_tests", "serial_pty_tests"],
    "serial/serial_connection.h": ["window_tests", "menu_flow_tests", "serial_pty_tests"],
    "app/com_settings_rules.cpp": ["core_tests", "dialogs_tests", "menu_flow_tests"],
    "app/com_settings_rules.h": ["core_tests", "dialogs_tests", "menu_flow_tests"],
    "tools/bit_reversal.cpp": ["core_tests", "dialogs_tests", "swap_bits_flow_tests"],
    "tools/bit_reversal.h": ["core_tests", "dialogs_tests", "swap_bits_flow_tests"],
    "tools/button_recorder.cpp": ["core_tests", "window_tests"],
    # The firmware: on the host, then built for the chip and run by simavr.
    "firmware/IrBridge/bridge.cpp": ["firmware_tests", "irbridge_firmware_tests"],
    "firmware/IrBridge/learned_keys.cpp": ["firmware_tests", "irbridge_firmware_tests"],
    "firmware/IrBridge/ir_codec.cpp": ["firmware_tests", "irbridge_firmware_tests"],
    "firmware/IrBridge/ir_text.cpp": ["firmware_tests", "irbridge_firmware_tests"],
    "firmware/IrBridge/ir_text.h": ["firmware_tests", "irbridge_firmware_tests"],
    "firmware/IrBridge/board_avr.cpp": ["irbridge_firmware_tests"],
}

KINDS = ("comparison", "constant", "dropped", "text", "setting")

# (file, exact original snippet, replacement, what the fault means, kind)
MUTANTS = [
    # --- core ---
    ("core/picture_geometry.cpp", "return x > xOffset &&", "return x >= xOffset &&",
     "a click on the picture's left edge counts", "comparison"),
    ("core/picture_geometry.cpp", "y > 0 && y < bottomEdge;", "y > 0 && y <= bottomEdge;",
     "a click on the bottom edge counts", "comparison"),
    ("core/picture_geometry.cpp", "if (a.left < fx && fx < a.right", "if (a.left <= fx && fx < a.right",
     "a point on an area's left edge is inside", "comparison"),
    ("core/picture_geometry.cpp", "static_cast<size_t>(index) >= clickAreas(kind).size()",
     "static_cast<size_t>(index) > clickAreas(kind).size()",
     "a key code for the index one past the table", "comparison"),
    ("core/picture_geometry.cpp", "KeyCode{info->keyLetter, index + 100}", "KeyCode{info->keyLetter, index + 101}",
     "key numbers start at 101", "constant"),
    ("core/remote_catalogue.cpp", "SkyPicture, 287, 800, 'C'", "SkyPicture, 287, 800, 'B'",
     "Sky (TV) sends the Sky (Sky) letter", "constant"),
    ("core/remote_catalogue.cpp", "{0.405672f, 0.617727f, 0.851158f, 0.909592f},  // 40",
     "{0.405672f, 0.617727f, 0.851158f, 0.859592f},  // 40",
     "the last Sky area cut short", "constant"),
    ("core/current_directory.cpp", "if (directory->size() >= limit) {", "if (directory->size() > limit) {",
     "a directory of exactly the limit is accepted", "comparison"),
    ("core/current_directory.cpp", "The CurrentDirectory is longer this programs ",
     "The CurrentDirectory is longer than this program's ", "too-long directory message reworded", "text"),

    # --- serial: the rules ---
    ("serial/hex_value.cpp", "if (digit < 0) break;", "if (digit <= 0) break;",
     "reading stops at a 0 digit", "comparison"),
    ("serial/key_sender.cpp", "if (!connected) {", "if (connected) {",
     "sends only when not connected", "comparison"),
    ("serial/key_sender.cpp", "L\"3. Can't send, the comms port is not open\"",
     "L\"3. Can't send, the com port is not open\"", "not-connected status reworded", "text"),
    ("serial/keycode_logger.cpp", "*--p = 'x';", "*--p = 'X';", "log lines start 0X", "text"),
    ("serial/keycode_logger.cpp", "if (values.empty()) return std::nullopt;", "",
     "a chunk without codes still opens the log", "dropped"),
    ("serial/keycode_logger.cpp", "Unable to open a stream to the local hard drive for the output file",
     "Unable to open the output file", "log failure message reworded", "text"),
    ("serial/keycode_logger.h", "kDirectoryLimit = 480;", "kDirectoryLimit = 481;",
     "log directory limit 481", "constant"),
    ("serial/line_assembler.cpp", "if (total <= kMaxLineLength) {", "if (total < kMaxLineLength) {",
     "a line of exactly 998 characters is emptied", "comparison"),
    ("serial/line_assembler.cpp", "const size_t keep = total % (kMaxLineLength + 1);",
     "const size_t keep = total % kMaxLineLength;", "overlong lines emptied every 998 bytes", "constant"),
    ("serial/line_assembler.cpp", "            buffer_.push_back('x');\n", "",
     "monitor lines lose their x", "dropped"),
    ("serial/line_assembler.cpp", r"if (c != 'x' && c != 'Y' && c != '\0') continue;",
     "if (c != 'x' && c != 'Y') continue;", "NUL bytes kept in the line", "comparison"),
    ("serial/line_assembler.h", "kMaxLineLength = 998;", "kMaxLineLength = 999;",
     "line limit 999", "constant"),
    ("serial/line_receiver.cpp", "    values_.clear();\n", "",
     "codes of earlier chunks logged again", "dropped"),
    ("serial/line_receiver.cpp", "line.text.find(':') != std::string::npos",
     "line.text.find(':') == std::string::npos", "only value lines without a colon are logged", "comparison"),
    ("serial/line_queue.h", "lines_[i + 1].kind == ReceivedLine::Value;",
     "lines_[i + 1].kind == ReceivedLine::Monitor;", "compaction drops the value line before a monitor line",
     "comparison"),
    ("serial/port_settings.cpp", "text->size() > kMaxSettingLength", "text->size() >= kMaxSettingLength",
     "a setting of exactly 24 characters is missing", "comparison"),
    ("serial/port_settings.cpp", "return bits >= 5 && bits <= 8 ? bits : kDefaultDataBits;",
     "return bits > 5 && bits <= 8 ? bits : kDefaultDataBits;", "5 data bits become 8", "comparison"),
    ("serial/port_settings.cpp", "if (allDigits && number >= 1 &&", "if (allDigits && number >= 0 &&",
     "Com0 opens /dev/ttyS-1", "comparison"),
    ("serial/port_settings.cpp", ": kDefaultBaudRate; }", ": 9600; }",
     "missing speed gives 9600", "constant"),
    ("serial/port_settings.cpp", "        if (equalsIgnoringCase(*text, kNames[code])) return code;\n    return portParity;",
     "        if (equalsIgnoringCase(*text, kNames[code])) return code;\n    return 0;",
     "unknown parity name applied as None", "setting"),
    ("serial/port_settings.cpp", "if (!text) return 0;\n    static constexpr",
     "if (!text) return portParity;\n    static constexpr", "missing parity keeps the port's own", "setting"),
    ("serial/port_settings.cpp",
     "bool ok = store.setValue(setting::Port, s.port);\n    ok = store.setValue(setting::Parity, s.parity) && ok;",
     "bool ok = store.setValue(setting::Parity, s.parity);\n    ok = store.setValue(setting::Port, s.port) && ok;",
     "settings written out of order", "setting"),
    ("serial/port_settings.h", "kMaxSettingLength = 24;", "kMaxSettingLength = 25;",
     "setting length limit 25", "constant"),

    # --- serial: the connection's engine and the link ---
    ("serial/serial_connection.cpp",
     "if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;",
     "if (error == QSerialPort::TimeoutError) return;", "a cleared error counts as an unplug", "setting"),
    ("serial/serial_connection.h", "kQueueBytes = 16384;", "kQueueBytes = 4096;",
     "input queue 4096 bytes", "constant"),
    ("serial/serial_connection.cpp", "if (!link_.portOpen()) return;", "if (link_.portOpen()) return;",
     "an unplug ignored", "comparison"),
    ("serial/serial_connection.cpp", "        disconnectPort();\n        if (wasConnecting)", "        if (wasConnecting)",
     "an unplugged port is left open", "dropped"),
    ("serial/serial_link.cpp", "settings_.dtrRaised = true;", "settings_.dtrRaised = false;",
     "DTR not raised", "setting"),
    ("serial/serial_link.cpp", "settings_.flowControl = false;", "settings_.flowControl = true;",
     "flow control on", "setting"),
    ("serial/serial_link.cpp", "settings_.stopBits = stopBitsCode(readSetting(store_, setting::StopBits));",
     "(void)stopBitsCode(readSetting(store_, setting::StopBits));", "stored stop bits ignored", "setting"),
    ("serial/serial_link.cpp", "parityCode(readSetting(store_, setting::Parity), settings_.parity)",
     "parityCode(readSetting(store_, setting::Parity), 0)", "unknown parity falls back to None", "setting"),
    ("serial/port_settings.h", "kDefaultBaudRate = 115200;", "kDefaultBaudRate = 9600;",
     "key gone during the connect: 9600", "constant"),
    ("serial/serial_link.h", "kWaitsMs[] = {1000, 2500, 1500};", "kWaitsMs[] = {1000, 250, 1500};",
     "the board's reset wait shortened to 250 ms after the line settings", "constant"),
    ("serial/serial_link.cpp", "    port_.reset();  // even when the close failed: the next connect opens the device anew\n",
     "", "the handle outlives the disconnect", "dropped"),
    ("serial/serial_link.cpp", "Unable read the comm port name from the registry.",
     "Unable to read the comm port name from the registry.", "missing key message reworded", "text"),
    ("serial/serial_link.cpp", '"Can\'t close port."', '"Cannot close port."',
     "close failure message reworded", "text"),
    ("serial/serial_link.cpp", "return text.substr(0, 499);", "return text;",
     "open failure text not cut at 499", "constant"),
    ("serial/port_settings.h", "kDefaultDataBits = 8;", "kDefaultDataBits = 7;",
     "key gone during the connect: 7 data bits", "constant"),
    ("serial/serial_connection.cpp", "port_->read(static_cast<qint64>(SerialConnection::kQueueBytes - held_.size()))",
     "port_->readAll()", "bytes waiting while nobody reads are not bounded", "dropped"),
    ("serial/qt_serial_device.cpp", "port_.setDataTerminalReady(s.dtrRaised);",
     "port_.setDataTerminalReady(false);", "device: DTR not raised", "setting"),
    ("serial/qt_serial_device.cpp",
     "port_.setFlowControl(s.flowControl ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl)",
     "port_.setFlowControl(QSerialPort::HardwareControl)", "device: flow control on", "setting"),
    ("serial/qt_serial_device.cpp", "port_.setStopBits(kStop[s.stopBits])",
     "port_.setStopBits(QSerialPort::OneStop)", "device: stop bits ignored", "setting"),
    ("serial/qt_serial_device.cpp", "port_.setParity(kParity[s.parity])",
     "port_.setParity(QSerialPort::NoParity)", "device: parity ignored", "setting"),
    ("serial/qt_serial_device.cpp", "port_.setBaudRate(s.baudRate)", "port_.setBaudRate(9600)",
     "device: speed ignored", "setting"),
    ("serial/serial_connection.cpp", "if (connected_ && reading_ && !held_.empty())",
     "if (connected_ && !reading_ && !held_.empty())", "bytes that waited are not read when the IR Monitor is shown",
     "comparison"),
    ("serial/serial_connection.cpp",
     "            report([attempt = attempt_](SerialConnection& owner) { owner.lost(attempt); });", "            ;",
     "an unplug is not shown", "dropped"),
    ("serial/qt_serial_device.cpp", "    port_.close();\n    return true;", "    return true;",
     "the device is never closed", "dropped"),
    ("serial/serial_connection.cpp", "        return link_.disconnect();", "        return std::nullopt;",
     "a disconnect leaves the port open", "dropped"),
    ("serial/serial_connection.cpp", "reading = monitorActive_ || learning_", "reading = learning_",
     "the IR Monitor never reads", "setting"),
    ("serial/serial_connection.cpp", "    if (state_ == ConnectionState::Connecting) return false;\n", "",
     "a second connect starts while one runs", "dropped"),
    ("serial/serial_connection.cpp", "if (const auto& failure = result.logFailure) {",
     "if (const auto& failure = result.logFailure; false) {", "log failures not shown", "dropped"),
    ("serial/serial_connection.cpp", "        if (connected_ && reading_) {\n            // In small batches",
     "        if (connected_) {\n            // In small batches", "reading while a remote is shown", "setting"),

    # --- the Com settings rules ---
    ("app/com_settings_rules.cpp", "if (number >= 1 && number <= 32) p.port", "if (number >= 1 && number < 32) p.port",
     "stored Com32 not preselected", "comparison"),
    ("app/com_settings_rules.cpp", 'return number < 1 ? PortSettings{}.port', 'return number < 0 ? PortSettings{}.port',
     "Com0 stored as typed", "comparison"),
    ("app/com_settings_rules.cpp", "Preselection{2, 0, 9, 3, 0, std::nullopt}",
     "Preselection{2, 0, 8, 3, 0, std::nullopt}", "default speed 57600", "constant"),
    ("app/com_settings_rules.cpp", '? text : PortSettings{}.parity;', '? text : "None";',
     "unknown parity stored as None", "text"),
    ("app/com_settings_rules.cpp", 'list.push_back("Com" + std::to_string(n));',
     'list.push_back("COM" + std::to_string(n));', "the list names ports COMn", "text"),
    ("app/com_settings_rules.cpp", 'return text == "1.5" || text == "2" ? text : PortSettings{}.stopBits;',
     'return text == "2" ? text : PortSettings{}.stopBits;', "1.5 stop bits stored as 1", "comparison"),
    ("app/com_settings_rules.h", "kBoxTextLimit = 49;", "kBoxTextLimit = 50;",
     "box texts cut at 50", "constant"),

    # --- the tools ---
    ("tools/bit_reversal.cpp", "if (value == 0) return;", "if (value != 0) return;",
     "only zero pieces converted", "comparison"),
    ("tools/bit_reversal.cpp", "convertPiece(piece_, output);\n            piece_.clear();",
     "convertPiece(piece_, output);", "a carried piece is converted again", "dropped"),
    ("tools/bit_reversal.cpp", "    if (fs::equivalent(inputPath, outputPath, error)) return ConvertResult::SameFile;\n",
     "", "converting a file into itself", "dropped"),
    ("tools/bit_reversal.h", "kPieceLength = 299;", "kPieceLength = 300;",
     "pieces of 300 characters", "constant"),
    ("core/view_layout.h", "x <= right", "x < right",
     "stop and connect squares one pixel narrower", "comparison"),
    ("tools/button_recorder.cpp", "std::chars_format::fixed, 6);", "std::chars_format::fixed, 5);",
     "five decimals", "constant"),
    ("tools/button_recorder.cpp", 'L"1. Pixel x "', 'L"1. Pixel X "', "pixel status reworded", "text"),
    ("tools/button_recorder.cpp",
     "namespace orvalinder {\n\n"
     "bool isStopClick(int x, int y) { return layout::StopSquare.contains(x, y); }\n\n"
     "std::string fixedSix(float value) {\n"
     "    char text[64];\n"
     "    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value), "
     "std::chars_format::fixed, 6);\n"
     "    return std::string(text, result.ptr);\n}",
     "#include <iomanip>\n#include <sstream>\n\nnamespace orvalinder {\n\n"
     "bool isStopClick(int x, int y) { return layout::StopSquare.contains(x, y); }\n\n"
     "std::string fixedSix(float value) {\n"
     "    std::ostringstream text;\n"
     "    text << std::fixed << std::setprecision(6) << static_cast<double>(value);\n"
     "    return text.str();\n}",
     "decimal point from the program's locale", "text"),
    # --- the board's firmware ---
    ("firmware/IrBridge/bridge.cpp", "if (++digits_ == 3)", "if (++digits_ == 4)",
     "key codes of four digits", "comparison"),
    ("firmware/IrBridge/bridge.cpp", "break;  // a broken key code: the byte may start the next one", "return;",
     "the byte after a broken key code is lost", "dropped"),
    ("firmware/IrBridge/bridge.cpp", "if (byte == '*' && command_ == Forget)", "if (byte == '*')",
     "learning * forgets every key", "comparison"),
    ("firmware/IrBridge/bridge.cpp", "if (queueCount_ == kQueueSize)", "if (queueCount_ > kQueueSize)",
     "one key code more than the queue holds", "comparison"),
    ("firmware/IrBridge/bridge.cpp", 'sendMessage(PSTR("No key "), &key);', ";",
     "unknown key codes pass in silence", "dropped"),
    ("firmware/IrBridge/bridge.cpp", "if (learning_ && nowMs - learnSinceMs_ >= kLearnMs)",
     "if (learning_ && nowMs - learnSinceMs_ > kLearnMs)", "a learn waits a millisecond longer", "comparison"),
    ("firmware/IrBridge/bridge.cpp", "if (learning_ && !code.repeat)", "if (learning_)",
     "an NEC repeat frame is learned", "dropped"),
    ("firmware/IrBridge/bridge.cpp", "if (output_.freeSpace() < length + 1)", "if (output_.freeSpace() < length)",
     "a value line one byte too long for the room left", "comparison"),
    ("firmware/IrBridge/ir_text.h", "return count > kMonitorLineNumbers ?", "return count > kMonitorLineNumbers + 1 ?",
     "a monitor line of 101 numbers", "constant"),
    ("firmware/IrBridge/learned_keys.cpp", "    storage_.write(address, kEmpty);", "",
     "a slot is rewritten without marking it empty first", "dropped"),
    ("firmware/IrBridge/learned_keys.cpp", "return isKeyLetter(bytes[0]) && check(bytes) == bytes[11];",
     "return isKeyLetter(bytes[0]);", "a slot whose bytes changed since it was written counts", "dropped"),
    ("firmware/IrBridge/learned_keys.cpp", "if (storage_.read(i) != kMark[i])", "if (false)",
     "another program's EEPROM is taken for keys", "dropped"),
    ("firmware/IrBridge/learned_keys.cpp", "if (!slotInUse(b))", "if (true)",
     "a new key takes the first slot whatever it holds", "dropped"),
    ("firmware/IrBridge/ir_codec.cpp", "uint16_t margin = nominal / 4;", "uint16_t margin = nominal / 3;",
     "timings off by a third decode", "constant"),
    ("firmware/IrBridge/ir_codec.cpp", "const uint16_t kNecRepeatSpace = 2250;", "const uint16_t kNecRepeatSpace = 2500;",
     "NEC repeat space of 2500 us", "constant"),
    ("firmware/IrBridge/ir_codec.cpp", "case IR_PANASONIC: return 37000;", "case IR_PANASONIC: return 38000;",
     "Panasonic on a 38 kHz carrier", "constant"),
    ("firmware/IrBridge/ir_codec.cpp", "case IR_NEC: return 41;", "case IR_NEC: return 30;",
     "NEC frames closer than their period", "constant"),
    ("firmware/IrBridge/ir_text.cpp", "if (count != 0 || digit != '0') out[count++] = digit;", "out[count++] = digit;",
     "numbers with leading zeros", "dropped"),
    ("firmware/IrBridge/ir_text.cpp", '{IR_RC6_6_20, "RC6-6-20"}', '{IR_RC6_6_20, "RC6A"}',
     "RC6 mode 6A named otherwise", "text"),
    ("firmware/IrBridge/board_avr.cpp", "            receiveState = Off;", "            ;",
     "the receiver hears the board's own frames", "dropped"),
    ("firmware/IrBridge/board_avr.cpp", "    if (idle && receivedCount >= kShortestFrame)",
     "    if (receivedCount >= kShortestFrame)", "a mark too long for a frame ends one", "dropped"),
    ("firmware/IrBridge/board_avr.cpp", "const uint8_t kLongestWaitForReceiveMs = 150;",
     "const uint8_t kLongestWaitForReceiveMs = 0;", "sending cuts into a frame being received", "constant"),
    ("firmware/IrBridge/board_avr.cpp", "const uint16_t kFrameEndTicks = 12000 * kTicksPerMicrosecond;",
     "const uint16_t kFrameEndTicks = 4000 * kTicksPerMicrosecond;", "a 4 ms space ends a frame", "constant"),
    ("firmware/IrBridge/board_avr.cpp", "OCR2A = uint8_t((F_CPU / 2 + hertz / 2) / hertz - 1);",
     "OCR2A = uint8_t((F_CPU + hertz / 2) / hertz - 1);", "the carrier at half its frequency", "constant"),
    ("firmware/IrBridge/board_avr.cpp", "frame[receivedCount] = uint16_t((now - lastEdge) / kTicksPerMicrosecond);",
     "frame[receivedCount] = uint16_t(now - lastEdge);", "measured durations in timer ticks", "dropped"),
]


class Interrupted(Exception):
    pass


def fail(message):
    print(f"mutants.py: {message}", file=sys.stderr)
    sys.exit(2)


def check_table():
    """Every row names a known file and kind, and its snippet occurs exactly once."""
    problems = []
    texts = {}
    for number, (path, original, replacement, description, kind) in enumerate(MUTANTS, 1):
        if path not in TARGETS:
            problems.append(f"#{number}: no test targets listed for {path}")
            continue
        if kind not in KINDS:
            problems.append(f"#{number}: unknown kind {kind!r}")
        if original == replacement:
            problems.append(f"#{number}: replacement equals the original")
        if path not in texts:
            file = ROOT / path
            if not file.is_file():
                problems.append(f"#{number}: {path} does not exist")
                continue
            texts[path] = file.read_text(encoding="utf-8")
        count = texts[path].count(original)
        if count != 1:
            problems.append(f"#{number} ({description}): snippet found {count} times in {path}: {original!r}")
    if problems:
        fail("the mutant table does not match the sources:\n  " + "\n  ".join(problems))


def git_clean(paths):
    result = subprocess.run(["git", "diff", "--quiet", "HEAD", "--", *paths], cwd=ROOT)
    return result.returncode == 0


def build(build_dir, targets):
    result = subprocess.run(["cmake", "--build", str(build_dir), "-j", "2", "--target", *targets],
                            cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode == 0, result.stdout


def ordered(targets):
    return [name for name in EXECUTABLES if name in targets]


def first_failure(output):
    for line in output.splitlines():
        if line.startswith("[  FAILED  ]"):
            return line[len("[  FAILED  ]"):].strip().split(" ")[0]
    return None


def run_tests(build_dir, targets, timeout):
    """The first executable that fails, with its first failed test; None when all pass."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for name in ordered(targets):
        exe = build_dir / EXECUTABLES[name]
        process = subprocess.Popen([str(exe)], cwd=exe.parent, env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True, errors="replace", start_new_session=True)
        try:
            output, _ = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.communicate()
            return f"{name}: hung ({timeout} s)"
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.communicate()
            raise
        if process.returncode != 0:
            test = first_failure(output)
            if test:
                return f"{name}: {test}"
            return f"{name}: exit {process.returncode}"
    return None


def run_mutant(number, build_dir, timeout):
    path, original, replacement, description, kind = MUTANTS[number - 1]
    file = ROOT / path
    saved = file.read_bytes()
    text = saved.decode("utf-8")
    started = time.monotonic()
    try:
        file.write_text(text.replace(original, replacement, 1), encoding="utf-8")
        built, log = build(build_dir, TARGETS[path])
        if not built:
            outcome, detail = "error", "does not build: " + " | ".join(
                line for line in log.splitlines() if "error" in line)[:300]
        else:
            caught = run_tests(build_dir, TARGETS[path], timeout)
            outcome, detail = ("caught", caught) if caught else ("survived", "")
    finally:
        file.write_bytes(saved)
        if file.read_bytes() != saved or not git_clean([path]):
            print(f"mutants.py: {path} was not restored; check it with git diff", file=sys.stderr)
            sys.exit(3)
    return outcome, detail, time.monotonic() - started


def on_terminate(signum, frame):
    raise Interrupted()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="list the mutants and exit")
    parser.add_argument("--only", type=int, metavar="N", help="run mutant N only")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per test executable (default 60)")
    parser.add_argument("--build-dir", type=Path, default=ROOT / "build" / "default")
    args = parser.parse_args()

    signal.signal(signal.SIGTERM, on_terminate)
    check_table()
    if args.list:
        for number, (path, _, _, description, kind) in enumerate(MUTANTS, 1):
            print(f"{number:3}  {kind:10}  {path:30}  {description}")
        return
    numbers = list(range(1, len(MUTANTS) + 1))
    if args.only is not None:
        if not 1 <= args.only <= len(MUTANTS):
            fail(f"--only takes 1 to {len(MUTANTS)}")
        numbers = [args.only]

    paths = sorted({MUTANTS[n - 1][0] for n in numbers})
    if not git_clean(paths):
        fail("commit or stash your changes to the mutated files first: " + " ".join(paths))

    os.environ.setdefault("CCACHE_BASEDIR", str(ROOT.parent))
    os.environ.setdefault("CCACHE_NOHASHDIR", "1")
    build_dir = args.build_dir.resolve()
    if not (build_dir / "build.ninja").exists():
        if build_dir != ROOT / "build" / "default":
            fail(f"{build_dir} is not configured")
        subprocess.run(["cmake", "--preset", "default"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)

    # The unchanged sources must pass, or every mutant would look caught.
    targets = sorted({t for n in numbers for t in TARGETS[MUTANTS[n - 1][0]]})
    built, log = build(build_dir, targets)
    if not built:
        fail("the unchanged sources do not build:\n" + log[-2000:])
    failing = run_tests(build_dir, targets, args.timeout)
    if failing:
        fail(f"the unchanged sources fail their tests: {failing}")

    results = []
    started = time.monotonic()
    try:
        for number in numbers:
            path, _, _, description, kind = MUTANTS[number - 1]
            outcome, detail, seconds = run_mutant(number, build_dir, args.timeout)
            results.append((number, kind, path, description, outcome, detail, seconds))
            print(f"{number:3}  {outcome:8}  {seconds:5.0f} s  {path}: {description}  {detail}", flush=True)
    except (KeyboardInterrupt, Interrupted):
        print("\ninterrupted; the sources are restored", file=sys.stderr)
    finally:
        # Leaves the build tree matching the sources again.
        build(build_dir, targets)

    report(results, time.monotonic() - started)


def report(results, seconds):
    if not results:
        return
    print()
    print(f"{'#':>3}  {'kind':10}  {'result':8}  {'file':30}  mutant / caught by")
    for number, kind, path, description, outcome, detail, _ in results:
        print(f"{number:3}  {kind:10}  {outcome:8}  {path:30}  {description}" + (f"  [{detail}]" if detail else ""))
    print()
    for kind in KINDS:
        rows = [r for r in results if r[1] == kind and r[4] != "error"]
        if rows:
            caught = sum(r[4] == "caught" for r in rows)
            print(f"{kind:10}  {caught:3} of {len(rows):3} caught")
    counted = [r for r in results if r[4] != "error"]
    caught = sum(r[4] == "caught" for r in counted)
    errors = len(results) - len(counted)
    share = 100.0 * caught / len(counted) if counted else 0.0
    print(f"{'total':10}  {caught:3} of {len(counted):3} caught ({share:.0f}%)"
          + (f", {errors} did not build" if errors else "") + f", {seconds / 60:.0f} min")
    survivors = [r for r in results if r[4] == "survived"]
    if survivors:
        print("\nsurvivors:")
        for number, kind, path, description, *_ in survivors:
            print(f"{number:3}  {path}: {description}")


if __name__ == "__main__":
    try:
        main()
    except (KeyboardInterrupt, Interrupted):
        print("\ninterrupted", file=sys.stderr)
        sys.exit(130)
