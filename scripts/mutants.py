#!/usr/bin/env python3
"""Mutation sampler over the program's and the board's sources.

Finds every place in the product sources where a small fault can be made
(a comparison moved across its boundary or flipped, + and - or * and /
exchanged, an integer constant off by one, a boolean or a condition negated,
a statement dropped, two arguments swapped), draws some of them at random,
and for each one rebuilds the test executables that can see the file, runs
them fastest first and puts the file back. A mutant is caught when a test
fails, crashes or hangs; one that does not compile is not viable and does not
count. The score comes with a 95% confidence interval.

    scripts/mutants.py --count 200 --seed 7          draw 200 and run them
    scripts/mutants.py --count 200 --seed 7 --list   show the draw only
    scripts/mutants.py --count 200 --seed 7 --only 12
    scripts/mutants.py --count 50 --seed 7 --files 'codes/*'   one folder's

The same count and seed over the same sources give the same draw. Uses the
default preset's build tree (build/default), configuring it when it is
missing. Every mutated file must be unchanged in git before a run.
"""

import argparse
import fnmatch
import math
import os
import random
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The product's sources: not the tests, benchmarks, fuzzers or simulators.
SOURCE_DIRS = ["app", "app/dialogs", "view", "send", "library", "tools", "serial", "core", "codes", "lircd", "mqtt",
               "resources", "firmware/IrBridge"]
SOURCE_SUFFIXES = {".cpp", ".h", ".ino"}

# Test executables in the build tree. They run fastest first, as timed on the
# unchanged sources: a mutant is caught by the first that fails.
EXECUTABLES = {
    "core_tests": "tests/core_tests",
    "line_queue_tests": "tests/line_queue_tests",
    "dialogs_tests": "tests/dialogs/dialogs_tests",
    "serial_pty_tests": "tests/serial_pty_tests",
    "platform_tests": "tests/platform_tests",
    "pictures_test": "tests/pictures_test",
    "icons_test": "tests/icons_test",
    "looks_test": "tests/looks_test",
    "window_tests": "tests/window_tests",
    "menu_flow_tests": "tests/menu_flow_tests",
    "swap_bits_flow_tests": "tests/swap_bits_flow_tests",
    "toolbar_tests": "tests/toolbar_tests",
    "command_line_tests": "tests/command_line_tests",
    "firmware_tests": "tests/firmware/firmware_tests",
    "irbridge_firmware_tests": "tests/avrsim/irbridge_firmware_tests",
    "codes_tests": "tests/codes_tests",
    "codes_tool_test": "tests/codes_tool_test",
    "codes_window_tests": "tests/codes_window_tests",
    "board_care_tests": "tests/board_care_tests",
    "lircd_protocol_tests": "tests/lircd_protocol_tests",
    "lircd_server_tests": "tests/lircd_server_tests",
    "capture_log_window_tests": "tests/capture_log_window_tests",
    "find_code_window_tests": "tests/find_code_window_tests",
    "mqtt_rules_tests": "tests/mqtt_rules_tests",
    "home_assistant_tests": "tests/home_assistant_tests",
    "load_tests": "tests/load_tests",
}
# Arguments an executable runs with: the load test's thirty seconds of
# garbage would triple a window mutant's time.
ARGUMENTS = {"load_tests": ["--gtest_filter=-Load.ThirtySecondsOfGarbageOnTheIrMonitor"]}
# What an executable finds in its environment, as the test command gives it,
# from the build tree.
ENVIRONMENT = {"load_tests": {"IRBRIDGE_SIM": "sim/irbridge-sim"}}

# The test command runs every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer, which see an index out of bounds or an overflow
# that passes unseen otherwise. With --asan-build-dir a survivor is tried
# again there, in the quick executables only: the window's take minutes to
# link and run under the sanitizers.
SANITIZED = ["core_tests", "line_queue_tests", "codes_tests", "firmware_tests", "mqtt_rules_tests",
             "lircd_protocol_tests"]
SANITIZER_OPTIONS = {
    "ASAN_OPTIONS": "detect_leaks=1:abort_on_error=0:halt_on_error=1",
    "LSAN_OPTIONS": f"suppressions={ROOT}/tests/lsan.supp:print_suppressions=0",
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
}

# The executables that can see a change to each file: those that link its
# code or include the header. The end-to-end runs are left out: they take
# minutes and drive the same code as the window tests. First match wins.
_WINDOW = ["looks_test", "window_tests", "codes_window_tests", "menu_flow_tests", "swap_bits_flow_tests", "toolbar_tests",
           "command_line_tests", "board_care_tests", "capture_log_window_tests", "find_code_window_tests", "load_tests"]
_DIALOGS = ["dialogs_tests"] + _WINDOW
_SERIAL_QT = ["serial_pty_tests", "dialogs_tests"] + _WINDOW
_SERIAL = ["core_tests", "line_queue_tests"] + _SERIAL_QT
_FIRMWARE = ["firmware_tests", "irbridge_firmware_tests", "codes_tests"]  # ours and the board's frames compared
TARGETS = [
    ("core/platform.h", ["platform_tests"] + _DIALOGS),
    ("core/*", _SERIAL + ["pictures_test"]),
    ("serial/qt_*", _SERIAL_QT),
    ("serial/serial_connection.*", _SERIAL_QT),
    ("serial/board_search.*", _SERIAL_QT),
    ("serial/version_probe.*", _SERIAL_QT),
    ("serial/serial_device.h", ["core_tests"] + _SERIAL_QT),
    ("serial/*", _SERIAL),
    ("tools/*", ["core_tests"] + _DIALOGS),
    ("view/orvalinder_view.*", _WINDOW),
    ("view/view_painter.*", _WINDOW),
    ("view/*", ["core_tests", "line_queue_tests"] + _DIALOGS),
    ("send/*", _WINDOW),
    ("library/button_links.*", ["core_tests"] + _DIALOGS),
    ("library/*", _DIALOGS),
    ("resources/render_icons.cpp", ["icons_test"]),
    ("resources/icons.*", ["pictures_test", "icons_test"] + _WINDOW),
    ("resources/pictures.*", ["pictures_test"] + _WINDOW),
    ("app/com_settings_rules.*", ["core_tests"] + _DIALOGS),
    ("app/qt_platform.*", ["platform_tests"] + _DIALOGS),
    ("app/tool_bars.*", _DIALOGS),
    ("app/dialogs/*", _DIALOGS),
    ("app/main.cpp", ["command_line_tests"]),
    ("app/home_assistant_link.*", ["home_assistant_tests"] + _WINDOW),
    ("app/*", _WINDOW),
    # The board's own code runs on the host and, built for the chip, in simavr.
    ("firmware/IrBridge/board_avr.cpp", ["irbridge_firmware_tests"]),
    ("firmware/IrBridge/IrBridge.ino", ["irbridge_firmware_tests"]),
    ("firmware/IrBridge/*", _FIRMWARE),
    ("codes/orvalinder_codes.cpp", ["codes_tool_test"]),
    ("codes/capture_log.*", ["codes_tests", "capture_log_window_tests"]),
    ("codes/mode2.*", ["codes_tests", "codes_tool_test", "capture_log_window_tests"]),
    ("codes/code_sets.*", ["codes_tests", "codes_tool_test", "find_code_window_tests"]),
    ("codes/*", ["codes_tests", "codes_tool_test", "core_tests", "lircd_protocol_tests", "mqtt_rules_tests",
                 "codes_window_tests"]),
    ("lircd/lircd_server.*", ["lircd_server_tests", "codes_window_tests"]),
    ("lircd/socket_path.*", ["lircd_server_tests", "codes_window_tests"]),
    ("lircd/*", ["lircd_protocol_tests", "lircd_server_tests", "codes_window_tests"]),
    ("mqtt/*", ["mqtt_rules_tests", "home_assistant_tests"]),
]

# Equivalent mutants, which no test could tell apart: (file, the line and
# the mutated line as the report shows them, why). They are never drawn.
EQUIVALENT = [
    ('firmware/IrBridge/board_avr.cpp', 'bool divided = out.carrierHz < kSlowestUndivided;', 'bool divided = out.carrierHz <= kSlowestUndivided;',
     'at 31251 Hz both ways give the same carrier, 31250 Hz, and the same lead: 256 undivided cycles or 32 divided ones'),
    ('firmware/IrBridge/ir_codec.cpp', 'if (pairs == 0) return false;', 'if (pairs == 0) return true;',
     "a frame without a whole pair cannot make RC5's 28 half bits, so the decoder refuses it right after"),
    ('app/dialogs/learn_dlg.cpp', 'setWindowTitle(buttons_.size() > 1 ? QStringLiteral("Learn a remote") : QStringLiteral("Learn from a remote"));', 'setWindowTitle(buttons_.size() > 2 ? QStringLiteral("Learn a remote") : QStringLiteral("Learn from a remote"));',
     "a pass has a picture's buttons, dozens of them, and a single learn one: none has two"),
    ('app/dialogs/learn_dlg.cpp', 'if (buttons_.size() > 1) {', 'if (buttons_.size() > 2) {',
     "a pass has a picture's buttons, dozens of them, and a single learn one: none has two"),
    ('app/dialogs/learn_dlg.cpp', 'done_ = box->addButton(buttons_.size() > 1 ? QStringLiteral("&Finish") : QStringLiteral("&Done"),', 'done_ = box->addButton(buttons_.size() > 2 ? QStringLiteral("&Finish") : QStringLiteral("&Done"),',
     "a pass has a picture's buttons, dozens of them, and a single learn one: none has two"),
    ('app/dialogs/learn_dlg.cpp', 'done_->setVisible(buttons_.size() > 1);', 'done_->setVisible(buttons_.size() > 2);',
     "a pass has a picture's buttons, dozens of them, and a single learn one: none has two"),
    ('tools/button_recorder.cpp', 'char text[64];', 'char text[65];',
     "a float's longest fixed text with six decimals is 46 characters"),
    ('tools/button_recorder.cpp', 'char text[64];', 'char text[63];',
     "a float's longest fixed text with six decimals is 46 characters"),
    ('library/button_links.cpp', 'int index = -1;', 'int index = -2;',
     'the index is read only when from_chars has set it'),
    ('library/button_links.cpp', 'int index = -1;', 'int index = -0;',
     'the index is read only when from_chars has set it'),
    ('resources/icons.cpp', 'bool isSmall(int size) { return size < 32; }', 'bool isSmall(int size) { return size < 31; }',
     'no icon is drawn 31 pixels wide: the sizes are 16, 22, 24, 32, 48, 64, 128 and 256'),
    ('codes/capture_log.h', 'uint32_t carrierHz = 0;  // as measured; 0 when not', 'uint32_t carrierHz = 1;  // as measured; 0 when not',
     "the log's only maker of rows sets the carrier of each"),
    ('codes/board_message.cpp', 'for (size_t i = 1; i + 1 < frame.size(); i += 2) {', 'for (size_t i = 1; i + 1 <= frame.size(); i += 2) {',
     'a frame ends with a mark, so its count is odd and i, odd too, passes its last space at the same step'),
    ('codes/board_message.cpp', 'for (size_t i = 1; i + 1 < frame.size(); i += 2) {', 'for (size_t i = 1; i + 0 < frame.size(); i += 2) {',
     'a frame ends with a mark, so its count is odd and i, odd too, passes its last space at the same step'),
    ('codes/mode2.cpp', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 2) > kMaxFrameDurations)', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 2 : 2) > kMaxFrameDurations)',
     'outside a mark the frame is empty or ends with a mark, an odd count: a mark more makes it count + 2, and count + 2 and count + 3 pass 1024 at the same odd counts, while an empty frame is far below it'),
    ('codes/mode2.cpp', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 2) > kMaxFrameDurations)', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 0 : 2) > kMaxFrameDurations)',
     'outside a mark the frame is empty or ends with a mark, an odd count: a mark more makes it count + 2, and count + 2 and count + 3 pass 1024 at the same odd counts, while an empty frame is far below it'),
    ('codes/mode2.cpp', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 2) > kMaxFrameDurations)', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 3) > kMaxFrameDurations)',
     'outside a mark the frame is empty or ends with a mark, an odd count: a mark more makes it count + 2, and count + 2 and count + 3 pass 1024 at the same odd counts, while an empty frame is far below it'),
    ('codes/mode2.cpp', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 2) > kMaxFrameDurations)', 'if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 2) >= kMaxFrameDurations)',
     'outside a mark the frame is empty or ends with a mark, an odd count: a mark more makes it count + 2, and count + 2 and count + 3 pass 1024 at the same odd counts, while an empty frame is far below it'),
    ('codes/pronto.cpp', 'if (periodWord < 1 || periodWord > 0xFFFF)', 'if (periodWord < 1 || periodWord >= 0xFFFF)',
     'no whole carrier in Hz gives a period word of 65534 to 65536: 63 Hz gives 65796, 64 Hz gives 64768'),
    ('codes/pronto.cpp', 'if (periodWord < 1 || periodWord > 0xFFFF)', 'if (periodWord < 1 || periodWord > 0x10000)',
     'no whole carrier in Hz gives a period word of 65534 to 65536: 63 Hz gives 65796, 64 Hz gives 64768'),
    ('codes/pronto.cpp', 'if (periodWord < 1 || periodWord > 0xFFFF)', 'if (periodWord < 1 || periodWord > 0xFFFE)',
     'no whole carrier in Hz gives a period word of 65534 to 65536: 63 Hz gives 65796, 64 Hz gives 64768'),
    ('codes/lircd_conf.cpp', 'out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, \' \') + value + "\\n";', 'out += "  " + name + std::string(name.size() <= 16 ? 16 - name.size() : 1, \' \') + value + "\\n";',
     'no field name written is 15 characters or more but toggle_bit_mask and suppress_repeat, 15 long, which get 1 blank either way'),
    ('codes/lircd_conf.cpp', 'out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, \' \') + value + "\\n";', 'out += "  " + name + std::string(name.size() < 17 ? 16 - name.size() : 1, \' \') + value + "\\n";',
     'no field name written is 15 characters or more but toggle_bit_mask and suppress_repeat, 15 long, which get 1 blank either way'),
    ('codes/lircd_conf.cpp', 'out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, \' \') + value + "\\n";', 'out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 0, \' \') + value + "\\n";',
     'no field name written is 15 characters or more but toggle_bit_mask and suppress_repeat, 15 long, which get 1 blank either way'),
    ('codes/lircd_conf.cpp', 'out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, \' \') + value + "\\n";', 'out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 2, \' \') + value + "\\n";',
     'no field name written is 15 characters or more but toggle_bit_mask and suppress_repeat, 15 long, which get 1 blank either way'),
    ('codes/lircd_conf.cpp', 'if (toggleBit_ > 0 && r.totalBits() > 0)', 'if (toggleBit_ > 0 && r.totalBits() >= 0)',
     "a toggle_bit beyond the frame's bits is refused just before, so a toggle_bit above 0 leaves the bits above 0"),
    ('codes/lircd_conf.cpp', 'unsigned digit = 16;', 'unsigned digit = 17;',
     'a character that is no digit is refused in every base up to 16, at 17 as at 16'),
    ('codes/lircd_conf.cpp', 'char text[24];', 'char text[25];',
     'the longest text, 0x and 16 digits, takes 19 bytes'),
    ('codes/lircd_conf.cpp', 'char text[24];', 'char text[23];',
     'the longest text, 0x and 16 digits, takes 19 bytes'),
    ('codes/capture_log.cpp', 'char text[24];', 'char text[25];',
     "a byte's text, 0x and 2 digits, takes 5 bytes"),
    ('codes/capture_log.cpp', 'std::snprintf(text, sizeof text, "0x%0*" PRIX64, (bits + 3) / 4, value);', 'std::snprintf(text, sizeof text, "0x%0*" PRIX64, (bits + 2) / 4, value);',
     'only widths of 4, 7 and 8 bits are written, which get 1, 2 and 2 digits either way'),
    ('codes/capture_log.cpp', 'std::snprintf(text, sizeof text, "0x%0*" PRIX64, (bits + 3) / 4, value);', 'std::snprintf(text, sizeof text, "0x%0*" PRIX64, (bits + 3) / 5, value);',
     'only widths of 4, 7 and 8 bits are written, which get 1, 2 and 2 digits either way'),
    ('codes/capture_log.cpp', 'for (int first = 0; first < bits; first += 8) {', 'for (int first = 0; first <= bits; first += 8) {',
     'at first == bits the byte has no bits: its mask is 0, so the two sides are equal and nothing is added'),
    ('codes/flipper.cpp', 'char byte[4];', 'char byte[5];',
     "a byte's two digits and the end take 3"),
    ('codes/flipper.cpp', 'char byte[4];', 'char byte[3];',
     "a byte's two digits and the end take 3"),
    ('codes/flipper.cpp', 'char duty[32];', 'char duty[31];',
     'the longest duty text, 42949672.950000, takes 16 bytes'),
    ('codes/flipper.cpp', 'if (end - at != 2 || !readNumber("0x" + field.value.substr(at, 2), 0xFF, byte) || count == 4)', 'if (end - at != 2 || !readNumber("0x" + field.value.substr(at, 2), 0xFF, byte) || count == 5)',
     'a fifth byte is then refused by the count after the loop, with the same message and line'),
    ("codes/pronto.cpp", "uint64_t value = 0;", "uint64_t value = 1;",
     "readNumber sets the value before it reads a digit, and a word it refuses throws"),
    ("firmware/IrBridge/learned_keys.cpp", "return -1;", "return -2;",
     "every caller asks only whether the slot is below 0"),
    ("send/code_search.cpp", "position_ = -1;", "(line removed)",
     "after a stop nothing reads the position until start() sets it: running() and current() go by the "
     "candidates, which the stop empties"),
    ("serial/version_probe.h", "inline constexpr int kSearchAnswerMs = 3500;",
     "inline constexpr int kSearchAnswerMs = 3501;", "a millisecond more for a silent port is not seen"),
    ("app/dialogs/dialog_convert.cpp",
     "const int step = total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(read * kSteps / total, kSteps - 1));",
     "const int step = total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(read * kSteps / total, kSteps - 0));",
     "the bar reaches its end only once the whole input is read, when the window closes a last short write later"),
    ("view/capture_log_model.cpp",
     "static_cast<int>(std::min<uint64_t>(count_, oldestKept > oldestShown ? oldestKept - oldestShown : 0));",
     "static_cast<int>(std::min<uint64_t>(count_, oldestKept >= oldestShown ? oldestKept - oldestShown : 0));",
     "where the two are equal their difference is 0, the other branch's value"),
    ("app/dialogs/about_dlg.cpp", "ok->setDefault(true);", "ok->setDefault(false);",
     "OK comes first and takes the focus, and a focused auto-default button is the default; "
     "the only other stop, the link, takes Enter itself"),
    ("codes/lircd_conf.cpp", "if (line.words.empty() && i < row.size()) {",
     "if (line.words.empty() && i <= row.size()) {",
     "a row of blanks alone is kept as a comment without its blanks: an empty one, which is not kept"),
    ("codes/lircd_conf.cpp", "bool sawCodes_ = false;", "bool sawCodes_ = true;",
     "every 'begin remote' sets it to false before any codes can come"),
    ("app/home_assistant_link.cpp", "sender_.connection().setListening(false);", "(line removed)",
     "lines heard while the broker is away are taken all the same and dropped: only a connected link publishes"),
    ("firmware/IrBridge/board_avr.cpp", "DDRB &= uint8_t(~_BV(PB0));", "(line removed)",
     "every pin starts as an input at reset; the line says which pin the receiver is on"),
    ("app/home_assistant_link.cpp",
     "if (repeatsLeft_ == 0 || sender_.connection().write(repeatMessage_) <= 0) {",
     "if (repeatsLeft_ == 0 || sender_.connection().write(repeatMessage_) <= 1) {",
     "the port buffers a whole message or fails, and a raw frame is longer than one byte: no write returns 1"),
    ("codes/pronto.cpp", 'if (periodWord == 0) c.error("a carrier period of 0:", 1);',
     'if (periodWord == 0) c.error("a carrier period of 0:", 0);',
     "only the learned form 0000 gets here, so its first word reads 0000 as the period does"),
    ("resources/pictures.cpp", "const bool squarish = qMax(r.width(), r.height()) <= 1.3 * shorter && shorter < 60;",
     "const bool squarish = qMax(r.width(), r.height()) < 1.3 * shorter && shorter < 60;",
     "no button of the pictures is exactly 1.3 times as long as it is wide"),
    ("view/view_painter.cpp", "return static_cast<int>(std::clamp<long long>(x, -2, client.width() + 2));",
     "return static_cast<int>(std::clamp<long long>(x, -3, client.width() + 2));",
     "an edge two or three pixels left of the view is not seen either way"),
    ("app/board_care.h", "bool reconnecting_ = false;", "bool reconnecting_ = true;",
     "every connect, by the user, after an upload or once the board is lost, passes stopWatching() first"),
    ("codes/protocols.cpp",
     "if (d <= 0 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;",
     "if (d <= 1 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;",
     "a duration of 1 is no whole unit, which the next check refuses"),
    ("codes/lircd_conf.cpp", "while (end > 0 && isBlank(row[end - 1])) --end;",
     "while (end >= 0 && isBlank(row[end - 1])) --end;", "a comment's row holds its '#', which stops the loop first"),
    ("serial/serial_connection.h", "int search_ = 0;   // the same for searches",
     "int search_ = 1;   // the same for searches", "only whether a search's number is the latest counts"),
    ("mqtt/mqtt_client.cpp", "mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);",
     "mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 2);", "libmosquitto takes any value but 0 as on"),
    ("app/dialogs/import_codes_dlg.cpp",
     "if (!file.open(QIODevice::WriteOnly) || file.write(written.data(), static_cast<qint64>(written.size())) < 0 ||",
     "if (!file.open(QIODevice::WriteOnly) || file.write(written.data(), static_cast<qint64>(written.size())) < 1 ||",
     "an export always holds a remote, so a write that succeeds writes more than nothing"),
    ("app/dialogs/flash_dlg.cpp", "start_->setDefault(true);", "(line removed)",
     "a shown dialog makes its first button the default, and Start is the first"),
    ("firmware/IrBridge/ir_text.h", "char digits[5];", "char digits[6];", "a 16-bit number has five digits"),
    ("firmware/IrBridge/ir_codec.cpp",
     "if (count < 3 || !readLeader(durations, 6 * kRc6Unit, 2 * kRc6Unit, leader)) return false;",
     "if (count < 4 || !readLeader(durations, 6 * kRc6Unit, 2 * kRc6Unit, leader)) return false;",
     "an RC6 frame of three or four durations has no bits and is refused later"),
    ("codes/protocols.cpp", "for (size_t k = 1; k < width; ++k)", "for (size_t k = 0; k < width; ++k)",
     "the first unit of each half is the half's own level: comparing it again changes nothing"),
    ("view/frame_bars.cpp", "int bottom = 1;", "int bottom = 2;",
     "every bar reaches further down, and without bars nothing is drawn at any scale"),
    ("codes/capture_log.cpp", "if (i >= a.size() || i >= b.size() || differ(a[i], b[i])) indexes.push_back(i);",
     "if (i >= a.size() || i >= b.size() || differ(b[i], a[i])) indexes.push_back(i);",
     "two durations differ either way round"),
    ("view/learner.cpp", "constexpr size_t kClasses = 2 * 5;", "constexpr size_t kClasses = 2 * 6;",
     "classes are numbered below ten, so more room is never used"),
    ("app/orvalinder_app.h", "static constexpr int kLongestWaitForPaintMs = 1000;",
     "static constexpr int kLongestWaitForPaintMs = 1001;", "a window that is shown paints long before either"),
    ("serial/qt_serial_device.cpp", "return written < 0 ? 0 : static_cast<long>(written);",
     "return written < 1 ? 0 : static_cast<long>(written);", "nothing written is 0 either way"),
    ("send/code_search.cpp", "if (position_ + 1 < int(candidates_.size())) sendAt(position_ + 1);",
     "if (position_ + 0 < int(candidates_.size())) sendAt(position_ + 1);",
     "the search pauses at its last code, so no tick comes after it"),
    ("firmware/IrBridge/ir_codec.cpp", "if (pos + 2 * width > levels.size) return false;",
     "if (pos - 2 * width > levels.size) return false;",
     "units past the frame read as silence, and bits that run past it fail the check that they end with it"),
    ("firmware/IrBridge/board_avr.cpp", "PORTD &= uint8_t(~_BV(PD3));", "(line removed)",
     "the chip starts with its outputs low"),
    ("firmware/IrBridge/ir_codec.cpp", "if (count % 2 == 0 && count > 0) --count;  // a closing space",
     "if (count % 2 == 0 && count > 1) --count;  // a closing space", "an even count above 0 is above 1"),
    ("firmware/IrBridge/bridge.h", "uint32_t gapUs = 0;  // the silence after it before the next frame",
     "uint32_t gapUs = 1;  // the silence after it before the next frame",
     "a transmission without durations is not sent, and its gap is never read"),
    ("codes/capture_log.cpp", "return sum * 4 >= leader * 3 && sum * 4 <= leader * 5 && d[0] > 2 * uint64_t(d[1]) && d[2] < 2 * nec.one.pulse;",
     "return sum * 4 > leader * 3 && sum * 4 <= leader * 5 && d[0] > 2 * uint64_t(d[1]) && d[2] < 2 * nec.one.pulse;",
     "a whole number of microseconds never sums to three quarters of 11,250"),
    ("codes/capture_log.cpp", "return sum * 4 >= leader * 3 && sum * 4 <= leader * 5 && d[0] > 2 * uint64_t(d[1]) && d[2] < 2 * nec.one.pulse;",
     "return sum * 4 >= leader * 3 && sum * 4 < leader * 5 && d[0] > 2 * uint64_t(d[1]) && d[2] < 2 * nec.one.pulse;",
     "a whole number of microseconds never sums to five quarters of 11,250"),
    ("firmware/IrBridge/ir_codec.cpp", "if (pos + 2 * width > levels.size) return false;",
     "if (pos + 1 * width > levels.size) return false;",
     "RC5 reads exactly its 28 units and RC6 ends where its units end, so bits read past the end are refused anyway"),
    ("codes/mode2.cpp", "while (in.getline(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {",
     "while (in.getline(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 1) {",
     "getline fails having read characters only on a line that fills the buffer"),
    ("core/picture_geometry.h", "int width = 200;  // the picture's own size in pixels",
     "int width = 199;  // the picture's own size in pixels",
     "until the first paint sets it the bottom edge is 0, so no click reaches the picture"),
    ("resources/icons.cpp", "for (qreal row = r.top() + 2.5; row < r.bottom() - 1; row += 2) {",
     "for (qreal row = r.top() + 2.5; row <= r.bottom() - 1; row += 2) {",
     "every page's edges lie on half pixels and its rows of writing on whole ones, so a row never meets the limit"),
    ("serial/version_probe.cpp", "giveUp_->setSingleShot(true);", "(line removed)",
     "the wait's end stops it before anything else"),
    ("serial/version_probe.cpp", "question_->setSingleShot(true);", "(line removed)",
     "each question starts the wait for the next one itself"),
    ("serial/serial_connection.cpp", "probe_->stop();", "(line removed)",
     "a wait that ends after its port was let go belongs to an attempt that is over, and is dropped"),
    ("firmware/IrBridge/bridge.cpp", "if (length != 0) sendLine(text, length, wire::kValueLineEnd);",
     "if (length != 1) sendLine(text, length, wire::kValueLineEnd);",
     "a code's text is nothing or a protocol's name and more, never one character"),
    ("app/tool_bars.cpp", "if (source) moveButton(source, from, nullptr, 0);",
     "if (source) moveButton(source, from, nullptr, 1);", "a button moved to no toolbar has no place there"),
    ("core/remote_catalogue.h", "SkyPicture = 314,", "SkyPicture = 315,",
     "picture numbers only name pictures inside the program, and 315 names no other"),
    ("codes/flipper.cpp",
     'if (end - at != 2 || !readNumber("0x" + field.value.substr(at, 2), 0xFF, byte) || count == 4)',
     'if (end - at != 2 || !readNumber("0x" + field.value.substr(at, 2), 0x100, byte) || count == 4)',
     "two hexadecimal digits never pass 0xFF"),
    ("codes/mode2.cpp",
     'fault(words.size() < 2 ? "no duration after" : "more than one duration after", words[0]);',
     'fault(words.size() <= 2 ? "no duration after" : "more than one duration after", words[0]);',
     "the fault comes only when the line is not two words"),
    ("codes/lircd_conf.cpp", "int rawKeyLine_ = 0;", "int rawKeyLine_ = 1;",
     "'begin raw_codes' sets it to 0 before it is read"),
    ("serial/port_settings.cpp",
     "if (allDigits) number = std::min(number * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);",
     "if (allDigits) number = std::min(number * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 2);",
     "any number past INT_MAX names no port, however far past"),
    ("app/home_assistant_link.cpp",
     "for (const auto& [topic, payload] : published_) client_->publish(topic, {}, 1, true);",
     "for (const auto& [topic, payload] : published_) client_->publish(topic, {}, true, 1);",
     "true is 1 and 1 is true: the quality of service and the retain flag stay"),
    ("view/capture_log_model.cpp", "if (count_ > 0) emit dataChanged(index(0, Time), index(count_ - 1, Time));",
     "if (count_ > 0) emit dataChanged(index(0, Time), index(count_ - 2, Time));",
     "the log's clock is set before it hears a frame"),
    ("app/board_care.h", "static constexpr int kWatchEveryMs = 250;", "static constexpr int kWatchEveryMs = 251;",
     "the unplugged board is looked for a millisecond later"),
    ("view/orvalinder_view.cpp", "keyboardWatch_.setSingleShot(true);", "(line removed)",
     "its timeout lets the key go, which stops it"),
    ("app/dialogs/toolbars_customize_dlg.cpp", "commandList_->setIconSize(QSize(16, 16));", "(line removed)",
     "a list's icons are the style's small size, 16 pixels, unless told"),
    ("app/dialogs/toolbars_customize_dlg.cpp", "commandList_->setIconSize(QSize(16, 16));",
     "commandList_->setIconSize(QSize(17, 16));", "an icon keeps its square: in 17 by 16 pixels it is drawn 16 by 16"),
    ("app/dialogs/toolbars_customize_dlg.cpp", "buttonList_->setIconSize(QSize(16, 16));",
     "buttonList_->setIconSize(QSize(16, 17));", "an icon keeps its square: in 17 by 16 pixels it is drawn 16 by 16"),
    ("app/dialogs/toolbars_customize_dlg.cpp", "commandList_->setDefaultDropAction(Qt::CopyAction);", "(line removed)",
     "a list that only drags offers to copy unless told"),
    ("app/tool_bars.cpp", "int i = 0;", "int i = 1;",
     "the toolbars are read back by name, and an empty first entry names none"),
    ("core/status_lines.h", "text.reserve(bytes.size());", "(line removed)",
     "reserve only sets aside room; the text is the same"),
    ("serial/keycode_logger.cpp", "std::fflush(file);", "(line removed)",
     "the next line closes the file, which flushes it"),
    ("serial/key_sender.cpp",
     'L" - " + std::to_wstring(confirmed < 0 ? 0 : confirmed) + L" confirmed");',
     'L" - " + std::to_wstring(confirmed < 1 ? 0 : confirmed) + L" confirmed");',
     "a count of 0 shows as 0 either way"),
    ("serial/serial_connection.h", "int attempt_ = 0;  // reports about earlier attempts are stale",
     "int attempt_ = 1;  // reports about earlier attempts are stale",
     "attempts are only compared with each other; where the count starts does not matter"),
    ("serial/qt_serial_device.cpp",
     "ok = ok && s.dataBits >= 5 && s.dataBits <= 8 && port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));",
     "ok = ok && s.dataBits >= 5 && s.dataBits <= 9 && port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));",
     "the stored data bits are read as 5 to 8, and QSerialPort refuses 9 itself"),
    ("app/dialogs/dialog_convert.cpp", "grid->addLayout(buttons, 7, 0, 1, 2);",
     "grid->addLayout(buttons, 7, 0, 2, 2);", "the buttons are the last row; an empty row below has no height"),
    ("firmware/IrBridge/board_avr.cpp", "if (byte < 0)", "if (byte < 1)",
     "the board writes only text, never a zero byte"),
    ("firmware/IrBridge/ir_codec.cpp", "if (count > 0 && lastIsMark == mark) {",
     "if (count >= 0 && lastIsMark == mark) {", "with no duration yet only a mark gets this far, and it is not a space"),
    ("firmware/IrBridge/ir_text.cpp", "for (uint8_t shift = static_cast<uint8_t>((bits + 3) / 4 * 4); shift > 0;) {",
     "for (uint8_t shift = static_cast<uint8_t>((bits + 3) / 4 * 4); shift > 1;) {",
     "the shift counts down in fours, so it is never 1"),
    ("firmware/IrBridge/ir_text.cpp", "return -1;", "return -2;", "its callers only ask whether it is negative"),
    ("resources/pictures.cpp", "if (r.width() <= 0 || r.height() <= 0) return;",
     "if (r.width() <= 1 || r.height() <= 0) return;", "no button of the pictures is a pixel wide or less"),
    ("app/dialogs/toolbars_customize_dlg.cpp",
     "if (!showing_) QTimer::singleShot(0, this, &CToolBarsCustomizeDlg::applyButtons);",
     "if (!showing_) QTimer::singleShot(1, this, &CToolBarsCustomizeDlg::applyButtons);",
     "a millisecond later the same buttons are applied"),
    ("app/dialogs/toolbars_customize_dlg.cpp", "const QScopedValueRollback filling(showing_, true);",
     "const QScopedValueRollback filling(showing_, false);",
     "buttons applied while the list fills are applied after it, from the whole list: the toolbar as it is"),
    ("app/dialogs/dialog_convert.cpp", "constexpr int kSteps = 1000;", "constexpr int kSteps = 999;",
     "the bar shows the same share of the file to a thousandth"),
    ("app/dialogs/dialog_convert.cpp", "window.setMinimumDuration(500);", "window.setMinimumDuration(501);",
     "the progress shows a millisecond later"),
    ("serial/port_settings.cpp", "while (p < text.size() && isSpace(text[p])) ++p;",
     "while (p <= text.size() && isSpace(text[p])) ++p;", "the character at size() is the ending zero, no blank"),
    ("core/picture_geometry.h", "int width = 200;  // the picture's own size in pixels",
     "int width = 201;  // the picture's own size in pixels",
     "until the first paint sets it the bottom edge is 0, so no click reaches the picture"),
    ("serial/line_queue.h",
     "line.kind == ReceivedLine::Value && i + 1 < lines_.size() && lines_[i + 1].kind == ReceivedLine::Value;",
     "line.kind == ReceivedLine::Value && i + 2 < lines_.size() && lines_[i + 1].kind == ReceivedLine::Value;",
     "a value line kept that the next one overwrites changes nothing the window shows"),
    ("core/remote_catalogue.h", "ConnectBitmap = 101,", "ConnectBitmap = 100,",
     "picture numbers only name pictures inside the program, and 100 names no other"),
    ("app/dialogs/dialog_convert.cpp", "constexpr int kSteps = 1000;", "constexpr int kSteps = 1001;",
     "the bar shows the same share of the file to a thousandth"),
    ("app/dialogs/dialog_convert.cpp", "poll.setInterval(100);", "poll.setInterval(99);",
     "the progress is looked at a millisecond sooner"),
    ("app/dialogs/dialog_convert.cpp", "poll.setInterval(100);", "poll.setInterval(101);",
     "the progress is looked at a millisecond later"),
    ("firmware/IrBridge/ir_codec.cpp", "uint16_t high = 0;", "uint16_t high = 1;",
     "every frame's bits shift it out of the 16 bits before it is read"),
    ("app/main_frame.cpp",
     "const bool recent = id >= command::FirstRecentFile && id < command::FirstRecentFile + kMaxRecentFiles;",
     "const bool recent = id >= command::FirstRecentFile && id <= command::FirstRecentFile + kMaxRecentFiles;",
     "no command has the number just past the recent files"),
    ("serial/port_settings.cpp", "if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';",
     "if (p <= text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';",
     "the character at size() is the ending zero, no sign"),
    ("serial/port_settings.cpp", "for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {",
     "for (; p <= text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {",
     "the character at size() is the ending zero, no digit"),
    ("tools/bit_reversal.cpp", "v = ((v >> 8) & 0x00FF00FFu) | ((v << 8) & 0xFF00FF00u);",
     "v = ((v >> 8) & 0x00FF00FFu) | ((v << 8) & 0xFF00FF01u);", "the lowest bit of v << 8 is always 0"),
    ("view/view_painter.cpp", "if (right - left < 1 || bottom - top < 1) return;",
     "if (right + left < 1 || bottom - top < 1) return;", "a bar of no width draws nothing either way"),
    ("view/view_painter.cpp", "if (right - left < 1 || bottom - top < 1) return;",
     "if (right - left < 1 || bottom - top < 0) return;", "every bar is 50 pixels high"),
    ("library/button_links.cpp",
     "const bool whole = onPicture && f[2].empty() == f[3].empty() && !(f[2].empty() && f[4].empty());",
     "const bool whole = onPicture && f[2].empty() == f[3].empty() && !(f[3].empty() && f[4].empty());",
     "the test before it makes f[2] and f[3] empty together"),
    ("serial/port_settings.cpp",
     "if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;",
     "if (value > static_cast<long long>(INT_MAX) + 0) value = static_cast<long long>(INT_MAX) + 1;",
     "a value of INT_MAX + 1 is set to itself"),
    ("app/orvalinder_app.cpp", "lircd_.reset();", "(line removed)",
     "the server is declared after the parts and goes first anyway"),
    ("firmware/IrBridge/ir_text.cpp", "return bits > 32 ? 32 : bits;", "return bits >= 32 ? 32 : bits;",
     "32 bits give 32 either way"),
    ("firmware/IrBridge/ir_codec.cpp",
     "if (count < 3 || !readLeader(durations, 6 * kRc6Unit, 2 * kRc6Unit, leader)) return false;",
     "if (count < 2 || !readLeader(durations, 6 * kRc6Unit, 2 * kRc6Unit, leader)) return false;",
     "a leader alone gives no bits, and the frame is refused as soon as they are read"),
    ("app/dialogs/import_codes_dlg.cpp", "for (const codes::Remote& remote : remotes) keys += remote.keys.size();",
     "for (const codes::Remote& remote : remotes) keys -= remote.keys.size();",
     "the count is only compared with zero, which it is either way"),
    ("view/view_painter.cpp", "font.setStyleHint(QFont::SansSerif);", "(line removed)",
     "the hint picks a family only where Arial and its stand-ins are all missing"),
    ("app/dialogs/com_settings_dlg.cpp", "if (listed >= 0)", "if (listed > 0)",
     "the devices found are listed after the system's usual port names, never first"),
    ("firmware/IrBridge/bridge.cpp", "if (framesSent_ < 255) ++framesSent_;", "if (framesSent_ < 254) ++framesSent_;",
     "the count is only compared with a protocol's fewest frames, three at most"),
    ("firmware/IrBridge/bridge.h", "uint8_t lastFrameMs_ = 0;", "uint8_t lastFrameMs_ = 1;",
     "it is read only once a frame has gone, which sets it"),
    ("codes/pronto.cpp", "char text[8];", "char text[7];", "every word is at most 0xFFFF, four digits"),
    ("codes/protocols.cpp",
     "const std::optional<Leader> leader = frame.size() < 3 ? std::nullopt : readLeader(frame[0], frame[1], rc6.header);",
     "const std::optional<Leader> leader = frame.size() < 2 ? std::nullopt : readLeader(frame[0], frame[1], rc6.header);",
     "a leader alone gives no bits, and the frame is refused as soon as they are read"),
    ("view/learner.cpp", "differed_ = false;", "(line removed)",
     "once a press is heard, a first press again is always one that differed"),
    ("app/dialogs/com_settings_dlg.cpp", "box->setCurrentIndex(position.value_or(-1));",
     "box->setCurrentIndex(position.value_or(-2));", "Qt takes every index below 0 as no selection"),
    ("app/dialogs/import_codes_dlg.cpp",
     "return found ? firstRow_[r] + static_cast<int>(found - remotes_[r].keys.data()) : -1;",
     "return found ? firstRow_[r] + static_cast<int>(found - remotes_[r].keys.data()) : -2;",
     "its one caller takes any row below 0 as none"),
    ("app/dialogs/find_code_dlg.cpp",
     "const codes::CodeSet& set = sets_[candidate->sets[size_t(chosen) < candidate->sets.size() ? chosen : 0].set];",
     "const codes::CodeSet& set = sets_[candidate->sets[size_t(chosen) < candidate->sets.size() ? chosen : 1].set];",
     "the list chosen from holds the candidate's sets, so the choice is always one of them"),
    ("app/dialogs/toolbars_customize_dlg.cpp", "commandList_->setIconSize(QSize(16, 16));",
     "commandList_->setIconSize(QSize(16, 17));",
     "the square icons are drawn 16 by 16 in either, in rows the text makes taller"),
    ("codes/lircd_conf.cpp", "if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {",
     "if (word.size() >= 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {",
     "a lone 0x has no digits, and is refused either way"),
    ("app/dialogs/com_settings_dlg.cpp", "grid->addWidget(searchState_, 10, 0, 1, 3);",
     "grid->addWidget(searchState_, 11, 0, 1, 3);", "a grid gives an empty row no height and no spacing"),
    ("codes/capture_log.cpp", "char text[24];", "char text[23];",
     "the longest text is 0x and 16 digits: 19 characters with its end"),
    ("app/dialogs/import_codes_dlg.cpp", "for (size_t entry = 1; entry < rowOfEntry_.size(); ++entry)",
     "for (size_t entry = 0; entry < rowOfEntry_.size(); ++entry)",
     "entry 0 is (none), never chosen for a row: it stays -1"),
    ("serial/board_search.cpp", "QTimer::singleShot(0, this, &BoardSearch::next);",
     "QTimer::singleShot(1, this, &BoardSearch::next);",
     "either asks the next port on a later turn of the event loop; a millisecond is not a fault"),
    ("serial/qt_ports.cpp", "for (qsizetype i = parts.size() - 1; i >= 0; --i) {",
     "for (qsizetype i = parts.size() - 2; i >= 0; --i) {",
     "a tty's device is its interface (1-2:1.0) or the port under it (ttyUSB0), never a USB location"),
    ("codes/lircd_conf.cpp", "uint64_t toggleBit_ = 0;", "uint64_t toggleBit_ = 1;",
     "every begin remote sets it to 0 before anything reads it"),
    ("codes/lircd_conf.cpp",
     "out += \"  \" + name + std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') + value + \"\\n\";",
     "out += \"  \" + name + std::string(name.size() < 15 ? 16 - name.size() : 1, ' ') + value + \"\\n\";",
     "a name of 15 gets one blank either way"),
    ("firmware/IrBridge/message_queue.h", "uint16_t head_ = 0;", "uint16_t head_ = 1;",
     "a ring may start anywhere: every read and write goes through at()"),
    ("lircd/lircd_server.cpp", "QTimer::singleShot(0, this, &Client::answerSome);",
     "QTimer::singleShot(1, this, &Client::answerSome);",
     "either waits its turn on the event loop; a millisecond more per turn is not a fault"),
    ("firmware/IrBridge/board_avr.cpp", "const uint16_t kFrameEndTicks = 6000 * kTicksPerMicrosecond;",
     "const uint16_t kFrameEndTicks = 5999 * kTicksPerMicrosecond;",
     "an edge and the frame's end on the same tick go to the edge, so a 5999 us space keeps the frame whole either way"),
    ("codes/lircd_conf.cpp", "int number = 0;", "int number = 1;", "every line is made with its number"),
    ("app/home_assistant_link.cpp", "client_.reset();", "(line removed)",
     "a stopped client kept until the next start answers connected() false, as no client does"),
    ("view/learner.cpp", "else if (durations[i] < kGapUs)", "else if (durations[i] <= kGapUs)",
     "only the shortest spaces are measured: a 10 ms one counts only when all are, and then the excess is refused"),
    ("firmware/IrBridge/ir_codec.cpp", "value = 0;", "(line removed)",
     "every caller hands readBits a value of 0"),
    ("firmware/IrBridge/ir_text.cpp", "uint32_t data = 0;", "uint32_t data = 1;",
     "readHex sets the value before it reads"),
    ("lircd/lircd_server.cpp", "char chunk[4096];", "char chunk[4095];",
     "a smaller chunk only reads the socket in one more turn"),
    ("codes/flipper.cpp", "char duty[32];", "char duty[33];", "a duty cycle written with six decimals never fills 32"),
    ("serial/hex_value.cpp", "table.fill(-1);", "table.fill(-2);",
     "the digits' readers ask only whether a value is negative"),
    ("view/learner.cpp", "constexpr uint32_t kGapUs = 10000;", "constexpr uint32_t kGapUs = 10001;",
     "the same as counting a 10 ms space with `<= kGapUs`, above"),
    ("view/learner.cpp",
     "if (!within(b[i], a[i], 15) && (b[i] > a[i] ? b[i] - a[i] : a[i] - b[i]) > kPressesApartUs) return false;",
     "if (!within(b[i], a[i], 15) && (b[i] >= a[i] ? b[i] - a[i] : a[i] - b[i]) > kPressesApartUs) return false;",
     "equal durations are 0 apart either way"),
    ("view/capture_panel.cpp", "layout->addWidget(list_, 1);", "layout->addWidget(list_, 2);",
     "the list is the panel's only stretching part, so any stretch gives it all the room"),
    ("app/dialogs/dialog_convert.cpp", "grid->addLayout(buttons, 7, 0, 1, 2);",
     "grid->addLayout(buttons, 8, 0, 1, 2);", "an empty grid row takes no room and no spacing: the buttons stay put"),
    ("serial/version_probe.cpp", "question_->stop();", "(line removed)",
     "every stop is followed at once by a new ask, which starts the question again, or by the search's end, "
     "which deletes it"),
    ("codes/capture_log.h", "std::chrono::microseconds time{0};      // when its first frame came",
     "std::chrono::microseconds time{1};      // when its first frame came", "every row is added with its time"),
    ("mqtt/mqtt_client.cpp", "connected_ = false;", "connected_ = true;",
     "the link deletes its client right after stopping it, and nothing asks a stopped client"),
    ("mqtt/mqtt_client.cpp",
     "for (int i = 0; i < 20 && mosquitto_loop(mosq, 100, 1) == MOSQ_ERR_SUCCESS; ++i) {}",
     "for (int i = 0; i < 20 && mosquitto_loop(mosq, 100, 0) == MOSQ_ERR_SUCCESS; ++i) {}",
     "libmosquitto does not use the loop's packet count"),
    ("codes/protocols.cpp", "if (d <= 0 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;",
     "if (d < 0 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;",
     "a length of 0 is 0 units, refused just after"),
    ("codes/protocols.cpp", "if (d <= 0 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;",
     "if (d <= 0 || units == 0 || units > 4 || !within(double(units * unit), d, unit / 3.0)) return false;",
     "within() is the same either way round: the distance between the two against the slack"),
    ("firmware/IrBridge/learned_keys.cpp", "code.bits = b[4];", "(line removed)",
     "the encoder takes a protocol's bits from its own table"),
    ("firmware/IrBridge/bridge.cpp", "lastFrameMs_ = uint8_t(frameMs > 255 ? 255 : frameMs);",
     "lastFrameMs_ = uint8_t(frameMs >= 255 ? 255 : frameMs);", "at 255 both give 255"),
    ('codes/protocols.cpp', 'if (!excess || !halves(frame, 0, unit, *excess, levels) || levels.size() > 28) return std::nullopt;', 'if (!excess || !halves(frame, 0, unit, *excess, levels) || levels.size() > 29) return std::nullopt;',
     'at 29 half bits the 14 bits read stop at the 28th, and the level left over refuses the frame anyway'),
    ('codes/protocols.cpp', 'if (!manchester(levels, at, 14, 1, false, bits) || at < levels.size() || !(bits >> 13)) return std::nullopt;', 'if (!manchester(levels, at, 14, 1, false, bits) || at < levels.size() || !(bits >> 12)) return std::nullopt;',
     "the first start bit is always read as 1: the levels begin with a space put before the frame's first mark"),
    ('firmware/IrBridge/bridge.cpp', 'if (count <= capacity) {', 'if (count < capacity) {',
     'the board always gives room for 100 durations, and a raw message holds at most 99'),
    ('firmware/IrBridge/ir_text.cpp', 'for (uint8_t shift = static_cast<uint8_t>((bits + 3) / 4 * 4); shift > 0;) {', 'for (uint8_t shift = static_cast<uint8_t>((bits + 2) / 4 * 4); shift > 0;) {',
     "the only protocol width that is not a multiple of 4 is Sony's 15, and 17 / 4 is still 4"),
    ('firmware/IrBridge/ir_text.h', 'inline uint8_t monitorLineNumbers(uint8_t count) { return count > kMonitorLineNumbers ? kMonitorLineNumbers : count; }', 'inline uint8_t monitorLineNumbers(uint8_t count) { return count >= kMonitorLineNumbers ? kMonitorLineNumbers : count; }',
     'at 100 both ways give 100'),
    ('view/orvalinder_view.cpp', 'keyboardWatch_.setSingleShot(true);', 'keyboardWatch_.setSingleShot(false);',
     'its only slot stops it first thing, so it never fires twice'),
    ('serial/serial_connection.cpp', 'static constexpr qint64 kBatchBytes = 4096;', 'static constexpr qint64 kBatchBytes = 4097;',
     'it only cuts what arrived into pieces, all taken in order in the same loop'),
    ('app/main_frame.cpp', 'if (id != 0 && !recent && action(id) == a) commands << a;', 'if (id != 1 && !recent && action(id) == a) commands << a;',
     'no command is numbered 0 or 1: an action without a number finds no command, so the test after it refuses it anyway'),
    ('resources/pictures.cpp', 'const bool squarish = qMax(r.width(), r.height()) <= 1.3 * shorter && shorter < 60;', 'const bool squarish = qMax(r.width(), r.height()) <= 1.3 * shorter && shorter < 59;',
     "no button of the four pictures has its shorter side from 59 to 60 pixels, and the pictures are the program's own"),
    ('firmware/IrBridge/ir_codec.cpp', 'if (size == 64) return false;', 'if (size == 64) return true;',
     'a frame that reaches 64 units is refused either way: RC5 takes exactly 28 and RC6 44 or 52'),
    ('codes/protocols.cpp', 'const bool pulse = (i - from) % 2 == 0;', 'const bool pulse = (i + from) % 2 == 0;',
     'it is called from the 0th or the 2nd duration, and an even start gives the same parity both ways'),
    ('codes/protocols.cpp', 'if (d <= 0 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;', 'if (d <= 0 || units == 0 || units >= 4 || !within(d, double(units * unit), unit / 3.0)) return false;',
     "no Manchester frame has a run of four half bits: a bit's two halves differ, and RC6's long trailer halves meet halves of one unit, so the bits read after it refuse such a frame anyway"),
    ('view/orvalinder_view.cpp', 'painted_ = true;', 'painted_ = false;',
     "the signal's one listener is connected for a single call, and the start it finishes runs once"),
]

# Functions whose arguments may come in either order (a line drawn from
# either end is the same line).
SYMMETRIC = {"min", "max", "swap", "qMin", "qMax", "drawLine", "equalsIgnoringCase"}
KEYWORDS = {"if", "while", "for", "switch", "return", "sizeof", "alignof", "alignas", "decltype", "catch",
            "static_assert", "noexcept", "defined", "throw", "new", "delete", "operator", "case", "do", "else",
            "goto", "default", "co_return", "typeid"}
NAME = r"[A-Za-z_]\w*"


class Interrupted(Exception):
    pass


@dataclass(frozen=True)
class Mutant:
    path: str
    line: int
    operator: str
    start: int          # the span of the file's text that is replaced
    end: int
    replacement: str

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]

    def change(self, text):
        """The lines the mutant touches, before and after, each on one line."""
        first = text.rfind("\n", 0, self.start) + 1
        last = text.find("\n", max(self.start, self.end - 1))  # a dropped line's span ends past its break
        last = len(text) if last < 0 else last
        mutated = text[first:self.start] + self.replacement + text[self.end:last]

        def one_line(lines):
            return " ".join(part.strip() for part in lines.splitlines())
        return one_line(text[first:last]), one_line(mutated) or "(line removed)"


def fail(message):
    print(f"mutants.py: {message}", file=sys.stderr)
    sys.exit(2)


# --- finding the sites ------------------------------------------------------


# Developers' tools that the package does not ship: the screenshots for the
# package's page, and the quiet window they and the benchmarks open.
NOT_SHIPPED = {"app/screenshots.cpp", "app/offscreen_frame.cpp", "app/offscreen_frame.h"}


def product_files():
    files = []
    for folder in SOURCE_DIRS:
        for file in sorted((ROOT / folder).iterdir()):
            path = file.relative_to(ROOT).as_posix()
            if file.is_file() and file.suffix in SOURCE_SUFFIXES and path not in NOT_SHIPPED:
                files.append(path)
    return files


def targets_of(path):
    for pattern, targets in TARGETS:
        if fnmatch.fnmatchcase(path, pattern):
            return targets
    fail(f"no test targets listed for {path}: add it to TARGETS")


def mask(text):
    """The text with comments, preprocessor lines and the insides of string and
    character literals blanked, keeping every offset and line break, so the
    operators see only code."""
    out = list(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
        elif line_start and c in " \t":
            i += 1
        elif line_start and c == "#":
            end = text.find("\n", i)
            while end > 0 and text[end - 1] == "\\":  # continued on the next line
                end = text.find("\n", end + 1)
            end = n if end < 0 else end
            blank(i, end)
            i = end
        elif text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            blank(i, end)
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            blank(i, end)
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] not in (c, "\n"):
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, j)  # the quotes stay: an argument made of a literal is not empty
            line_start = False
            i = j + 1
        else:
            line_start = False
            i += 1
    return "".join(out)


def opens_code(masked, brace, enclosing_is_code):
    """Whether the brace at `brace` opens a block of statements rather than a
    namespace, class, enum or initialiser."""
    before = masked[max(0, brace - 200):brace].rstrip()
    if not before:
        return False
    word = re.search(r"\w+$", before)
    if before[-1] in ")]}":  # function, if/for/while/switch, lambda, a constructor after its initialisers
        return True
    if word and word.group() in ("const", "override", "noexcept", "final", "mutable", "else", "do", "try"):
        return True
    return enclosing_is_code and before[-1] in ";{:"  # a nested block, a case's block


def code_map(masked):
    """For each offset, whether it lies in a block of statements."""
    inside = bytearray(len(masked))
    stack = []
    for i, c in enumerate(masked):
        if c == "{":
            stack.append(opens_code(masked, i, bool(stack) and stack[-1]))
        elif c == "}" and stack:
            stack.pop()
        inside[i] = bool(stack) and stack[-1]
    return inside


def matching(masked, open_at):
    """The offset of the bracket closing the one at open_at, or -1."""
    depth = 0
    for i in range(open_at, len(masked)):
        if masked[i] in "([{":
            depth += 1
        elif masked[i] in ")]}":
            depth -= 1
            if depth == 0:
                return i
    return -1


COMPARISONS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}


def comparison_sites(masked, code):
    # < and > only with spaces around, as the code writes them: that leaves out
    # templates, includes, -> and shifts.
    for m in re.finditer(r"(?<=\s)(<=|>=|<|>)(?=\s)|(?<![=!<>])(==|!=)(?!=)", masked):
        if not re.search(r"operator\s*$", masked[max(0, m.start() - 12):m.start()]):
            yield m.start(), m.end(), COMPARISONS[m.group()]


ARITHMETIC = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "*=": "/=", "/=": "*=",
              "++": "--", "--": "++"}


def arithmetic_sites(masked, code):
    # Binary operators have spaces around; a * or & next to a name is a pointer
    # or reference, a - before a digit a negative number.
    for m in re.finditer(r"(?<=\s)([-+*/]=?)(?=\s)|(?<![-+])(\+\+|--)(?![-+])", masked):
        # Text joined to a string literal cannot be subtracted: that would only fail to compile.
        before = masked[max(0, m.start() - 200):m.start()].rstrip()
        after = masked[m.end():m.end() + 200].lstrip()
        if m.group() in ("+", "+=") and (before.endswith('"') or re.match(r'(?:L|u8?|U)?"|QStringLiteral\(', after)):
            continue
        yield m.start(), m.end(), ARITHMETIC[m.group()]


def constant_sites(masked, code):
    for m in re.finditer(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)(?=[uUlL]*(?![\w.]))", masked):
        digits = m.group()
        before = masked[max(0, m.start() - 200):m.start()]
        if re.search(r"\)\s*(?:const\s*)?=\s*$", before):
            continue  # the 0 of a pure virtual function
        if not code[m.start()] and re.search(r"\([^()]*\w\s*\[\s*$", before):
            continue  # an array parameter is a pointer: its size is not used
        value = int(digits, 16 if digits[:2] in ("0x", "0X") else 10)
        for changed in (value + 1, value - 1):
            if changed < 0:
                continue
            if digits[:2] in ("0x", "0X"):
                hex_digits = format(changed, "X" if digits[2:].isupper() else "x").zfill(len(digits) - 2)
                yield m.start(), m.end(), digits[:2] + hex_digits
            else:
                yield m.start(), m.end(), str(changed)


def boolean_sites(masked, code):
    for m in re.finditer(r"\b(true|false)\b", masked):
        yield m.start(), m.end(), "false" if m.group() == "true" else "true"
    for m in re.finditer(r"\b(if|while)\s*\(", masked):
        open_at = m.end() - 1
        close = matching(masked, open_at)
        condition = masked[open_at + 1:close]
        # A condition that declares a name or has an initialiser cannot be negated as it stands.
        if not code[m.start()] or close < 0 or ";" in condition or re.search(r"(?<![=!<>])=(?!=)", condition):
            continue
        yield open_at + 1, close, None  # filled in from the text: !(condition)


def previous_code_line(lines, index):
    for k in range(index - 1, -1, -1):
        if lines[k].strip():
            return lines[k].strip()
    return ""


# An expression statement: a call, an assignment or an increment, starting
# with a name or member chain. `Type name ...` does not match: declarations stay.
STATEMENT = re.compile(
    rf"(?:emit\s+)?(?:\*|\+\+|--)?(?P<name>{NAME})(?:\s*(?:::|\.|->)\s*~?{NAME})*\s*(?:\+\+|--)?"
    r"\s*(?:[(\[;]|[-+*/%&|^]?=(?!=)|<<=|>>=)")


def statement_sites(masked, code):
    offset = 0
    lines = masked.split("\n")
    for index, line in enumerate(lines):
        statement = line.strip()
        start = offset
        offset += len(line) + 1
        match = STATEMENT.match(statement)
        if (not statement.endswith(";") or statement.count(";") != 1 or not match
                or match.group("name") in KEYWORDS - {"break", "continue"}
                or statement.count("(") != statement.count(")") or statement.count("{") != statement.count("}")
                or not code[start + line.index(statement)]):
            continue
        # After a bare `if (x)` or `else` the line is a branch's body; dropping it would move the branch.
        if previous_code_line(lines, index)[-1:] not in (";", "{", "}", ":"):
            continue
        yield start, min(offset, len(masked)), ""


def split_arguments(masked, open_at, close):
    """The (start, end) of each argument between the brackets, without spaces."""
    spans, depth, begin = [], 0, open_at + 1
    for i in range(open_at + 1, close + 1):
        c = masked[i]
        if c in "([{":
            depth += 1
        elif c in ")]}" and i < close:
            depth -= 1
        if (c == "," and depth == 0) or i == close:
            text = masked[begin:i]
            left = len(text) - len(text.lstrip())
            spans.append((begin + left, begin + len(text.rstrip())))
            begin = i + 1
    return spans


def argument_sites(masked, code, text):
    for m in re.finditer(rf"\b({NAME})\s*\(", masked):
        open_at = m.end() - 1
        if m.group(1) in KEYWORDS or m.group(1) in SYMMETRIC or not code[m.start()]:
            continue
        close = matching(masked, open_at)
        # Commas inside template arguments would split them wrongly.
        if close < 0 or re.search(r"\w<", masked[open_at:close]):
            continue
        spans = split_arguments(masked, open_at, close)
        for (a0, a1), (b0, b1) in zip(spans, spans[1:]):
            first, second = text[a0:a1], text[b0:b1]
            if first and second and first != second and "\n" not in text[a0:b1]:
                yield a0, b1, second + text[a1:b0] + first


def not_built_here(text):
    """The spans the Linux build leaves out: Windows' side of #ifdef Q_OS_WIN or _WIN32, and the other
    side of a Unix or Linux one. The sampler builds for Linux, where a fault there changes nothing."""
    spans, stack, offset, left_out_from = [], [], 0, None
    for line in text.splitlines(keepends=True):
        directive = re.match(r"[ \t]*#[ \t]*(if|ifdef|ifndef|elif|else|endif)\b(.*)", line)
        if directive:
            word, rest = directive.groups()
            if word in ("if", "ifdef", "ifndef"):
                windows = re.search(r"\b(Q_OS_WIN|_WIN32)\b", rest) is not None
                unix = re.search(r"\b(Q_OS_UNIX|Q_OS_LINUX|__GLIBC__)\b", rest) is not None
                built = (not windows and not unix) or (word == "ifndef") == windows
                stack.append(built if (windows or unix) else None)
            elif word == "else" and stack and stack[-1] is not None:
                stack[-1] = not stack[-1]
            elif word == "endif" and stack:
                stack.pop()
            out = any(frame is False for frame in stack)
            if out and left_out_from is None:
                left_out_from = offset + len(line)
            elif not out and left_out_from is not None:
                spans.append((left_out_from, offset))
                left_out_from = None
        offset += len(line)
    if left_out_from is not None:
        spans.append((left_out_from, offset))
    return spans


def sites_of(path):
    text = (ROOT / path).read_text(encoding="utf-8")
    left_out = not_built_here(text)
    masked = mask(text)
    code = code_map(masked)
    found = []
    operators = {
        "comparison": comparison_sites(masked, code),
        "arithmetic": arithmetic_sites(masked, code),
        "constant": constant_sites(masked, code),
        "boolean": boolean_sites(masked, code),
        "dropped": statement_sites(masked, code),
        "arguments": argument_sites(masked, code, text),
    }
    # A static_assert's condition either still holds or stops the build: never a fault that runs.
    asserts = [(m.start(), matching(masked, m.end() - 1)) for m in re.finditer(r"\bstatic_assert\s*\(", masked)]
    for operator, sites in operators.items():
        for start, end, replacement in sites:
            if any(a <= start <= b for a, b in asserts) or any(a <= start < b for a, b in left_out):
                continue
            if replacement is None:
                replacement = "!(" + text[start:end] + ")"
            line = text.count("\n", 0, start) + 1
            found.append(Mutant(path, line, operator, start, end, replacement))
    return found


def all_sites():
    """Every candidate site of every product file, in a fixed order, less the equivalent ones."""
    sites, used = [], set()
    for path in product_files():
        targets_of(path)  # fails when the file has no entry
        text = (ROOT / path).read_text(encoding="utf-8")
        for mutant in sites_of(path):
            key = (path, *mutant.change(text))
            excluded = [entry for entry in EQUIVALENT if entry[:3] == key]
            if excluded:
                used.add(excluded[0])
            else:
                sites.append(mutant)
    stale = [entry for entry in EQUIVALENT if entry not in used]
    if stale:
        fail("these equivalent mutants match no site any more:\n  " + "\n  ".join(map(str, stale)))
    return sites


def draw(sites, count, seed):
    """count sites drawn uniformly without replacement, listed by file and line.
    A shuffle, so that a larger count with the same seed adds to a smaller one's draw."""
    order = list(range(len(sites)))
    random.Random(seed).shuffle(order)
    chosen = [sites[i] for i in order[:count]]
    return sorted(chosen, key=lambda m: (m.path, m.start, m.operator, m.replacement))


# --- building and running ---------------------------------------------------


def git_clean(paths):
    return subprocess.run(["git", "diff", "--quiet", "HEAD", "--", *paths], cwd=ROOT).returncode == 0


def build(build_dir, targets):
    result = subprocess.run(["cmake", "--build", str(build_dir), "-j", "2", "--target", *targets],
                            cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode == 0, result.stdout


def first_failure(output):
    for line in output.splitlines():
        if line.startswith("[  FAILED  ]"):
            return line[len("[  FAILED  ]"):].strip().split(" ")[0]
    return None


def run_executable(build_dir, name, timeout, sanitized=False):
    """None when it passes, else what failed."""
    exe = build_dir / EXECUTABLES[name]
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", **(SANITIZER_OPTIONS if sanitized else {}))
    env.update({key: str(build_dir / path) for key, path in ENVIRONMENT.get(name, {}).items()})
    process = subprocess.Popen([str(exe)] + ARGUMENTS.get(name, []), cwd=exe.parent, env=env, stdout=subprocess.PIPE,
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
        return f"{name}: {first_failure(output) or f'exit {process.returncode}'}"
    return None


def run_sanitized(mutant, asan_dir, timeout):
    """What the sanitizers' build of the quick executables catches, or None."""
    names = [name for name in targets_of(mutant.path) if name in SANITIZED]
    if not asan_dir or not names or not build(asan_dir, names)[0]:
        return None
    for name in names:
        failure = run_executable(asan_dir, name, 3 * timeout, sanitized=True)
        if failure:
            return "under the sanitizers, " + failure
    return None


def run_mutant(mutant, build_dir, order, timeout, asan_dir=None):
    """(outcome, detail, build seconds, test seconds); the file is put back in every case."""
    file = ROOT / mutant.path
    saved = file.read_bytes()
    started = time.monotonic()
    built_at = started
    try:
        file.write_text(mutant.apply(saved.decode("utf-8")), encoding="utf-8")
        built, log = build(build_dir, targets_of(mutant.path))
        built_at = time.monotonic()
        if not built:
            errors = [line for line in log.splitlines() if ": error:" in line]
            return "not viable", (errors[0] if errors else "does not build")[-200:], built_at - started, 0.0
        for name in sorted(targets_of(mutant.path), key=order.index):
            failure = run_executable(build_dir, name, timeout)
            if failure:
                return "caught", failure, built_at - started, time.monotonic() - built_at
        failure = run_sanitized(mutant, asan_dir, timeout)
        return ("caught" if failure else "survived"), failure or "", built_at - started, time.monotonic() - built_at
    finally:
        file.write_bytes(saved)
        if file.read_bytes() != saved or not git_clean([mutant.path]):
            print(f"mutants.py: {mutant.path} was not restored; check it with git diff", file=sys.stderr)
            sys.exit(3)


def baseline(build_dir, mutants, timeout):
    """Builds and runs the unchanged sources' tests; returns the executables fastest first.
    A failing test here would make every mutant look caught."""
    names = sorted({name for m in mutants for name in targets_of(m.path)})
    built, log = build(build_dir, names)
    if not built:
        fail("the unchanged sources do not build:\n" + log[-2000:])
    seconds = {}
    for name in names:
        started = time.monotonic()
        failure = run_executable(build_dir, name, timeout)
        if failure:
            fail(f"the unchanged sources fail their tests: {failure}")
        seconds[name] = time.monotonic() - started
        print(f"  {name:25} {seconds[name]:5.1f} s", flush=True)
    return sorted(seconds, key=seconds.get), names


# --- the report -------------------------------------------------------------


def wilson(caught, total, z=1.96):
    """The 95% Wilson score interval of a proportion, as fractions."""
    if total == 0:
        return 0.0, 1.0
    p = caught / total
    centre = (p + z * z / (2 * total)) / (1 + z * z / total)
    half = z / (1 + z * z / total) * math.sqrt(p * (1 - p) / total + z * z / (4 * total * total))
    return max(0.0, centre - half), min(1.0, centre + half)


def describe(number, mutant, texts):
    before, after = mutant.change(texts[mutant.path])
    return f"{number:3}  {mutant.path}:{mutant.line}  {mutant.operator}\n       {before}\n    -> {after}"


def breakdown(viable, key):
    lines = []
    for name in sorted({key(r[1]) for r in viable}):
        rows = [r for r in viable if key(r[1]) == name]
        lines.append(f"  {name:19} {sum(r[2] == 'caught' for r in rows):3} of {len(rows):3} caught")
    return lines


def report(results, texts, header, baseline_s):
    lines = [header, ""]
    for number, mutant, outcome, detail, build_s, test_s in results:
        lines.append(f"{number:3}  {outcome:10}  {build_s + test_s:4.0f} s  {mutant.path}:{mutant.line}  "
                     f"{mutant.operator}" + (f"  [{detail}]" if detail else ""))
    viable = [r for r in results if r[2] != "not viable"]
    caught = sum(r[2] == "caught" for r in viable)
    low, high = wilson(caught, len(viable))
    lines += ["", f"score: {caught} of {len(viable)} caught"
              + (f" ({100 * caught / len(viable):.0f}%, 95% interval {100 * low:.0f}% to {100 * high:.0f}%)"
                 if viable else ""),
              f"not viable (do not compile, not counted): {len(results) - len(viable)}"]
    lines += ["by operator:"] + breakdown(viable, lambda m: m.operator)
    lines += ["by folder:"] + breakdown(viable, lambda m: m.path.rsplit("/", 1)[0])
    if results:
        build_s = sum(r[4] for r in results) / len(results)
        test_s = sum(r[5] for r in results) / len(results)
        lines.append(f"time per mutant: {build_s + test_s:.0f} s on average ({build_s:.0f} s building, "
                     f"{test_s:.0f} s testing), after {baseline_s:.0f} s for the unchanged sources; "
                     f"200 mutants would take about {(baseline_s + 200 * (build_s + test_s)) / 60:.0f} min")
    survivors = [r for r in results if r[2] == "survived"]
    if survivors:
        lines += ["", "survivors:"]
        lines += [describe(number, mutant, texts) + (f"  [{detail}]" if detail else "")
                  for number, mutant, _, detail, *_ in survivors]
    return "\n".join(lines) + "\n"


# --- the command ------------------------------------------------------------


def on_terminate(signum, frame):
    raise Interrupted()


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--count", type=int, default=200, help="mutants to draw (default 200)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the draw (default 1)")
    parser.add_argument("--list", action="store_true", help="print the drawn mutants and exit")
    parser.add_argument("--only", type=int, metavar="K", help="run the K-th drawn mutant only")
    parser.add_argument("--reverse", action="store_true",
                        help="run the draw from its last mutant back: a second run of the same draw, in another "
                             "worktree, meets the first halfway")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per test executable (default 60)")
    parser.add_argument("--build-dir", type=Path, default=ROOT / "build" / "default")
    parser.add_argument("--asan-build-dir", type=Path, metavar="DIR",
                        help="the sanitizers' build tree (cmake --preset asan): a survivor's quick tests run again "
                             "there, as the test command runs them")
    parser.add_argument("--report", type=Path, metavar="FILE", help="also write the report to FILE")
    parser.add_argument("--changed-since", metavar="REV",
                        help="draw only from the files changed since REV (a change's own faults)")
    parser.add_argument("--files", metavar="GLOB", help="draw only from the files matching GLOB, such as 'codes/*'")
    return parser.parse_args()


def prepare_build_dir(build_dir):
    os.environ.setdefault("CCACHE_BASEDIR", str(ROOT.parent))
    os.environ.setdefault("CCACHE_NOHASHDIR", "1")
    if not (build_dir / "build.ninja").exists():
        if build_dir != ROOT / "build" / "default":
            fail(f"{build_dir} is not configured")
        subprocess.run(["cmake", "--preset", "default", "-DORVALINDER_REQUIRE_BOARD=ON"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)


def main():
    args = parse_arguments()
    if args.count < 1:
        fail("--count takes 1 or more")
    signal.signal(signal.SIGTERM, on_terminate)
    sites = all_sites()
    if args.changed_since:
        changed = set(subprocess.run(["git", "diff", "--name-only", args.changed_since], cwd=ROOT, check=True,
                                     capture_output=True, text=True).stdout.split())
        sites = [site for site in sites if site.path in changed]
    if args.files:
        sites = [site for site in sites if fnmatch.fnmatch(site.path, args.files)]
    drawn = draw(sites, args.count, args.seed)
    texts = {path: (ROOT / path).read_text(encoding="utf-8") for path in {m.path for m in drawn}}
    header = (f"# scripts/mutants.py --count {args.count} --seed {args.seed}: {len(drawn)} drawn of "
              f"{len(sites)} sites in {len(product_files())} files")
    numbers = list(range(1, len(drawn) + 1))
    if args.only is not None:
        if not 1 <= args.only <= len(drawn):
            fail(f"--only takes 1 to {len(drawn)}")
        numbers = [args.only]
    if args.reverse:
        numbers.reverse()
    if args.list:
        print(header)
        for number in numbers:
            print(describe(number, drawn[number - 1], texts))
        return

    paths = sorted({drawn[n - 1].path for n in numbers})
    if not git_clean(paths):
        fail("commit or stash your changes to the mutated files first: " + " ".join(paths))
    build_dir = args.build_dir.resolve()
    prepare_build_dir(build_dir)
    asan_dir = args.asan_build_dir.resolve() if args.asan_build_dir else None
    if asan_dir and not (asan_dir / "build.ninja").exists():
        fail(f"{asan_dir} is no build tree: configure it with cmake --preset asan first")
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT, capture_output=True,
                            text=True).stdout.strip()
    header += f" at {commit}" + (f", only #{args.only}" if args.only else "")

    print("the unchanged sources' tests:", flush=True)
    started = time.monotonic()
    order, all_targets = baseline(build_dir, [drawn[n - 1] for n in numbers], args.timeout)
    baseline_s = time.monotonic() - started
    results = []
    try:
        for number in numbers:
            mutant = drawn[number - 1]
            outcome, detail, build_s, test_s = run_mutant(mutant, build_dir, order, args.timeout, asan_dir)
            results.append((number, mutant, outcome, detail, build_s, test_s))
            print(f"{number:3}  {outcome:10}  {build_s:4.0f} + {test_s:3.0f} s  {mutant.path}:{mutant.line}  "
                  f"{mutant.operator}  {detail}", flush=True)
    except (KeyboardInterrupt, Interrupted):
        print("\ninterrupted; the sources are restored", file=sys.stderr)
    finally:
        build(build_dir, all_targets)  # leaves the build tree matching the sources again

    text = report(results, texts, header, baseline_s)
    print("\n" + text, end="")
    if args.report:
        args.report.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    try:
        main()
    except (KeyboardInterrupt, Interrupted):
        print("\ninterrupted", file=sys.stderr)
        sys.exit(130)
