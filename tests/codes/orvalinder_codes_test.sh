#!/bin/sh
# orvalinder-codes as a user runs it: its timings against irsimsend's, a
# file converted to each format and back, captures decoded, and the mistakes
# it reports.
# Usage: orvalinder_codes_test.sh <orvalinder-codes> <folder of test remotes>
set -u
tool=$1
remotes=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# The tool's frame is irsimsend's, gap included; the carrier comes first.
for key in KEY_POWER KEY_1; do
  "$tool" timings "$remotes/nec.lircd.conf" $key >ours.txt || fail "timings $key"
  XDG_CACHE_HOME="$work" irsimsend -k $key "$remotes/nec.lircd.conf" >/dev/null 2>&1
  awk '{print $2}' simsend.out >lirc.txt
  [ "$(head -n 1 ours.txt)" = 38000 ] || fail "timings $key: carrier $(head -n 1 ours.txt)"
  tail -n +2 ours.txt | cmp -s - lirc.txt || fail "timings $key differ from irsimsend"
done

"$tool" list "$remotes/two_remotes.conf" >list.txt || fail "list"
printf 'first\n  KEY_OK\n  KEY_OK\n  KEY_TWO_CODES\nsecond\n  K_RAW\n' | cmp -s - list.txt || fail "list: $(cat list.txt)"

"$tool" pronto "$remotes/rc5.lircd.conf" KEY_1 rc5_tv >pronto.txt || fail "pronto"
grep -q '^0000 0073 0000 000D 0020 0020 ' pronto.txt || fail "pronto: $(cat pronto.txt)"

# To Flipper and back, the same frames; through Pronto (whole carrier
# periods) still the same code.
"$tool" convert "$remotes/nec.lircd.conf" --to flipper >nec.ir || fail "convert to flipper"
"$tool" convert nec.ir --to lircd >nec.conf || fail "convert to lircd"
"$tool" timings nec.conf KEY_VOLUMEUP >back.txt || fail "timings after the conversions"
"$tool" timings "$remotes/nec.lircd.conf" KEY_VOLUMEUP >first.txt
cmp -s first.txt back.txt || fail "the conversions changed KEY_VOLUMEUP"
"$tool" convert nec.ir --to pronto >nec.pronto || fail "convert to pronto"
"$tool" board nec.pronto KEY_VOLUMEUP | grep -q '^!SNEC:20DF40BF$' || fail "board message of KEY_VOLUMEUP"

# A Pronto code alone is named after its line.
printf '\n900A 006D 0000 0001 04FB 08F7\n' >one.txt
"$tool" board one.txt KEY_2 | grep -q '^!SNEC:20DF10EF$' || fail "board message of a bare Pronto code"

# decode: every key irsimsend sends decodes to the board's code for it, a raw
# frame to its count of durations (the board's has the silence after it too).
checked=0
for conf in "$remotes"/*.conf; do
  for key in $("$tool" list "$conf" | sed -n 's/^  //p' | sort -u); do
    XDG_CACHE_HOME="$work" irsimsend -k "$key" "$conf" >/dev/null 2>&1 &&
      "$tool" board "$conf" "$key" >board.txt 2>/dev/null || continue
    want=$(sed -n '2s/^!S//p' board.txt | awk '/^RAW/ { print "raw, " NF - 1 - NF % 2 " durations"; next } 1')
    got=$("$tool" decode simsend.out | head -n 1)
    [ "$got" = "$want" ] || fail "decode $(basename "$conf") $key: '$got', the board is given '$want'"
    checked=$((checked + 1))
  done
done
[ $checked -ge 20 ] || fail "decode: only $checked keys checked"

# From standard input up to a mistake, which is named; 100 MB of one line or
# of one endless mark stop at once.
printf 'pulse 9000\nspace 2250\npulse 560\nspace 96000\npulse -560\n' | "$tool" decode >out.txt 2>err.txt
[ $? -eq 1 ] && [ "$(cat out.txt)" = "raw, 3 durations" ] &&
  grep -qF "standard input:5: a negative duration '-560'" err.txt || fail "decode's mistake: $(cat out.txt err.txt)"
head -c 100000000 /dev/zero | tr '\0' 5 | "$tool" decode >/dev/null 2>err.txt
grep -qF "standard input:1: a line longer than 16384 characters '55555555555555555555'" err.txt || fail "$(cat err.txt)"
yes 'pulse 5000' | head -c 100000000 | "$tool" decode >/dev/null 2>err.txt
grep -qF "standard input:201: a mark longer than a second '5000'" err.txt || fail "$(cat err.txt)"

# candidates: the program's own sets, the code most brands share first; of
# a user's IRDB file the rows the board cannot send are named, not tried.
"$tool" candidates --key Power --kind tv >found.txt 2>err.txt || fail "candidates: $(cat err.txt)"
[ "$(head -n 1 found.txt)" = '!SNEC:20DF10EF' ] && [ "$(wc -l <found.txt)" -ge 15 ] && [ ! -s err.txt ] ||
  fail "candidates of the program's sets: $(head -n 3 found.txt) $(cat err.txt)"
mkdir -p LG/TV
printf 'functionname,protocol,device,subdevice,function\nPower,JVC,3,-1,23\nMUTE,NEC1,4,-1,9\n' >LG/TV/4,-1.csv
"$tool" candidates LG/TV/4,-1.csv --key Mute --brand lg --kind tv >found.txt 2>err.txt
[ $? -eq 0 ] && [ "$(cat found.txt)" = '!SNEC:20DF906F' ] &&
  grep -qxF "orvalinder-codes: LG/TV/4,-1.csv:2: a protocol this program does not send 'JVC'" err.txt ||
  fail "candidates of an IRDB file: $(cat found.txt err.txt)"

# Mistakes: a message on standard error and a status that says so.
expect() {  # status, text on standard error, then the arguments
  status=$1 text=$2
  shift 2
  "$tool" "$@" >out.txt 2>err.txt
  got=$?
  [ $got -eq "$status" ] || fail "$*: status $got, not $status"
  grep -qF -e "$text" err.txt || fail "$*: no '$text' in: $(cat err.txt)"
  [ "$status" -eq 0 ] || [ ! -s out.txt ] || fail "$*: wrote to standard output: $(cat out.txt)"
}
printf 'begin remote\n  name x\n  flags SPACE_ENC|XMP\n' >bad.conf
expect 1 "bad.conf:3: unknown flag 'XMP'" list bad.conf
expect 1 "no key named 'KEY_NONE'" timings "$remotes/nec.lircd.conf" KEY_NONE
expect 1 "no remote named 'other'" pronto "$remotes/nec.lircd.conf" KEY_POWER other
expect 1 "missing.conf: cannot be read" list missing.conf
expect 1 "$work: cannot be read" list "$work"
expect 1 "$work: cannot be read" decode "$work"
expect 1 "missing.txt: cannot be read" decode missing.txt
: >empty.conf
expect 1 "empty.conf: no remote in the file" list empty.conf
expect 1 "Pronto codes need a carrier" pronto "$remotes/raw_plain.lircd.conf" K_ONE
expect 2 "--to takes lircd, flipper or pronto, not 'xml'" convert "$remotes/nec.lircd.conf" --to xml
if [ -w /dev/full ]; then
  "$tool" list "$remotes/nec.lircd.conf" >/dev/full 2>err.txt
  [ $? -eq 1 ] && grep -q "cannot write the output" err.txt || fail "a full disk: $(cat err.txt)"
fi
expect 1 "LG/TV/4,-1.csv:2: a protocol this program does not send 'JVC'" board LG/TV/4,-1.csv MUTE
expect 1 "no set has a key 'Eject'" candidates --key Eject
cp "$tool" alone && installed=$tool && tool=./alone
expect 1 "the program's code sets are not installed beside it ($work)" candidates --key Power
tool=$installed
expect 2 "--kind takes tv, set-top-box, projector, audio or air-conditioner, not 'fridge'" candidates --key Power --kind fridge
expect 2 "usage:" candidates --kind tv
expect 2 "usage:" timings "$remotes/nec.lircd.conf"
expect 2 "usage:"

[ $failures -eq 0 ] && echo "orvalinder-codes: all checks passed"
exit $failures
