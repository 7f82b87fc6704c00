#include "apps/j1939cfg/CfgOptions.h"

#include <QCommandLineParser>

#include "apps/console/Console.h"
#include "rules/text/ListTexts.h"

namespace j1939 {

namespace {

using Name = CfgCommand::Name;

struct CommandName {
  const char* word;
  Name name;
};
constexpr CommandName kCommands[] = {
    {"show", Name::Show},   {"frame", Name::Frame},  {"program", Name::Program},
    {"check", Name::Check}, {"ports", Name::Ports},  {"make", Name::Make},
    {"set", Name::Set},     {"diff", Name::Diff},    {"buses", Name::Buses},
    {"watch", Name::Watch}, {"verify", Name::Verify}};

// The parser takes the first argument for the program's name and skips it.
const QString kProgram = QStringLiteral("j1939cfg");
const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")});

std::optional<Name> commandNamed(const QString& word) {
  for (const CommandName& command : kCommands)
    if (word == QLatin1String(command.word)) return command.name;
  return std::nullopt;
}

QString wordOf(Name name) {
  for (const CommandName& command : kCommands)
    if (command.name == name) return QLatin1String(command.word);
  return QString();
}

const char* const kProgramHelp = R"txt(Usage: j1939cfg COMMAND FILE [options]

Works on a configuration file (.cfg) of the J1939 ECU simulator's configurator
without its window, for test benches, scripts and CI rigs. FILE is read as the
window reads it: the first 77 bytes hold the configuration; an empty file is
the all-zero configuration; a file of 1 to 76 bytes is refused. Only make and
set write a file. FILE "-" is standard input; pipes and named pipes are read as
they come, devices and directories are refused.

Commands:
  show FILE [--json]          every field of the configuration, with its meaning
  frame FILE [--version V]    the configuration frame that the simulator receives
  program FILE --port PORT [--verify IFACE [--seconds S]]
                              sends the configuration to the simulator, as the
                              window's "Program Config" does; with --verify,
                              then verifies it on the CAN bus
  check FILE                  the configuration against the window's rules
  ports [--json]              COM1 to COM16, the device each stands for and
                              whether it is present, then the serial ports
                              present that no COMn names
  make IN.json -o OUT [--force]
                              a configuration file from the JSON of show --json
  set FILE KEY=VALUE... [--force]
                              changes fields of FILE in place
  diff A B [--json]           the fields that differ between two files
  buses [--json]              the CAN interfaces that Qt's CAN plugins find
  watch --can IFACE [--seconds S] [--from SA] [--pgn PGN] [--json] [--summary]
                              every J1939 message on a CAN bus, decoded
  verify FILE --can IFACE [--seconds S] [--json]
                              whether the device on the bus does what FILE
                              configures: address, NAME, groups, rates, VIN

"j1939cfg COMMAND --help" describes a command; "j1939cfg help json" the JSON
keys and value forms that show, make and set share. IFACE is a CAN interface
as PLUGIN:INTERFACE: socketcan:can0, peakcan:usb0, virtualcan:can0.

make and set replace a file whole: the new bytes go into a temporary file
beside it (FILE.XXXXXX), which is synced and renamed over it only when all
went well, so that a full disk or a killed run leaves it as it was. The file
keeps what follows the configuration, its owner, group and mode; a read-only
file is written only with --force. From the read to the rename a writer holds
FILE.lock: a second one waits up to 5 s, then gives up naming the process
that holds it.

Exit status: 0 done; 1 the command's answer is no (check, make or set found
something, diff found fields that differ, the download was refused or not
accepted, an expectation that verify checked does not hold); 2 a usage, file,
JSON, port or bus error, and nothing was written. A file written with findings
that could not be printed is exit status 1. Errors go to standard error;
standard output carries the result only.
)txt";

const char* const kShowHelp = R"txt(Usage: j1939cfg show FILE [--json]

Prints every field of the configuration in FILE, one a line, in the order of
the record ("field: value (meaning)"): list entries with their texts, bytes in
hexadecimal, the NAME with its fields, each PGN with its reserved bit, data
page, PF and PS, the VIN as text. Values are printed as stored; where the
window shows something else (a data length of 0 is shown as 1, any mode but -1
is Static, ...) the line says so.

  --json    one JSON object instead, a member per field, keyed by the field's
            name, each with its "value" and its meaning

Exit status: 0 shown; 2 usage or file error.
)txt";

const char* const kFrameHelp = R"txt(Usage: j1939cfg frame FILE [--version 1.01|2.00]

Prints the configuration frame that "Program Config" sends for the
configuration in FILE, as upper-case hexadecimal bytes separated by blanks:
32 bytes for simulator version "1.01", 49 bytes for "2.00". The frame is built
from the configuration as the window would store it after showing it.

  --version V   the frame of version V (1.01 or 2.00); by default the version
                that FILE holds

Exit status: 0 printed; 1 the configuration cannot be put into a frame (the
reason goes to standard error); 2 usage or file error.
)txt";

const char* const kProgramCommandHelp = R"txt(Usage: j1939cfg program FILE --port DEVICE|COMn
       j1939cfg program FILE --port DEVICE|COMn --verify IFACE [--seconds S]

Sends the configuration in FILE to the simulator, as the window's "Program
Config" does: an additional PGN in use that the simulator sends itself refuses
the download; otherwise the frame of FILE's version is written to the port at
9600,N,8,1 and the simulator has one second, from the moment the frame has
left, to answer. Exactly one byte 0x55 accepts it.

Prints what the window would show: "Configuration is successfull!",
"Configuration fails!", or, for a refused download, its caption and text
("Repeated additional PGN1: The additional PGN1 has existed in the simulator,
..."). A configuration that the window would not send as it stands (a value it
answers with a message, see "j1939cfg check") is refused before anything is
sent, with the reasons on standard error.

  --port PORT   the serial device (/dev/ttyUSB0, /dev/pts/3, ...) or COM1 to
                COM16, which stand for the device named in the configurator's
                settings (~/.config/TarvikConfig/TarvikConfig.conf, section
                [Ports], e.g. COM1="/dev/ttyUSB0"), else for /dev/ttyS0 to
                /dev/ttyS15
  --verify IFACE
                then verifies the device on the CAN interface IFACE
                (PLUGIN:INTERFACE, e.g. socketcan:can0) as "j1939cfg verify
                FILE --can IFACE" does, whatever the download's outcome
  --seconds S   how long verify listens (see "j1939cfg verify --help")
  --answer-ms MS
                how soon verify wants a Request answered (default 50)

Exit status: 0 the simulator accepted the configuration; 1 the download was
refused or not accepted; 2 usage, file or port error, or a settings file that
cannot be read for COMn. With --verify, the worse of the download's status and
verify's.
)txt";

const char* const kCheckHelp = R"txt(Usage: j1939cfg check FILE

Checks the configuration in FILE against the rules the window enforces and
prints one line per finding ("field: what is wrong"); prints nothing for a
clean configuration. The rules: list entries that exist; source address 00 to
7F; NAME byte 7 below 80; check boxes 0 or 1; PGNs 0 to 262143 and their
reserved bit, data page, PF and PS as the PGN gives them; data length 1 to
1785; a parameter type that fits the data and a position within it; with
version "2.00" a DTC format from the list and a VIN of 17 characters without a
blank; and for the slots in use, no PGN that the simulator of FILE's version
sends itself and not the same PGN in both.

Exit status: 0 clean; 1 findings; 2 usage or file error.
)txt";

const char* const kPortsHelp = R"txt(Usage: j1939cfg ports [--json]

Lists COM1 to COM16 of the window's list "Com Port Number:", one a line, with
the device each stands for and whether that device is present ("COM1:
/dev/ttyUSB0 (present)"), then the serial ports present that no COMn names,
with what their drivers say of them (description, manufacturer, serial
number). COMn stands for the device named in the configurator's settings
(~/.config/TarvikConfig/TarvikConfig.conf, section [Ports], e.g.
COM1="/dev/ttyUSB0"; the window's File > Ports... edits it), else for
/dev/ttyS0 to /dev/ttyS15. A settings file that cannot be read is an error,
not a file without a mapping.

  --json    one JSON object instead: "ports", a member per COMn with its
            "name", "device" and "present", and "unmapped", the ports present
            that no COMn names, with "device", "description", "manufacturer"
            and "serial_number"

Exit status: 0 listed; 2 usage error, or a settings file that cannot be read.
)txt";

const char* const kMakeHelp = R"txt(Usage: j1939cfg make IN.json -o OUT.cfg [--force]

Writes the configuration that IN.json describes to OUT.cfg. IN.json takes the
form that "j1939cfg show --json" prints (see "j1939cfg help json"): show --json
then make gives the same 77 bytes of fields, followed by 7 zero bytes. A field
or key that IN.json leaves out keeps the factory configuration's value, what
the window's "Default" stores in a new j1939.cfg: {} is the factory
configuration. IN.json "-" is standard input; a device is refused, and so is
more than 1 MiB (a configuration's JSON takes a few kilobytes).

The configuration is then checked as "j1939cfg check" does; its findings are
printed, and OUT.cfg is written only when there are none, or with --force.
OUT.cfg is a new name or a regular file (not a device, a named pipe or a link
to one); OUT "-" writes the 84 bytes to standard output, the findings then
going to standard error. An existing OUT.cfg is replaced as set replaces its
FILE (see "j1939cfg set --help"): whole, keeping the bytes after the 77 of
the fields, its owner, group and mode, under OUT.cfg.lock.

  -o, --output OUT   the configuration file to write
  --force            write OUT.cfg even when the check finds something, or
                     when it is read-only (it stays read-only)

Exit status: 0 written; 1 the check found something (written only with
--force); 2 usage, file or JSON error, nothing written: an unknown key, a key
given twice, a value of the wrong type or one the field cannot hold, a number
a JSON number does not hold exactly, named by its path ("Pgn1.bogus").
)txt";

const char* const kSetHelp = R"txt(Usage: j1939cfg set FILE KEY=VALUE... [--force]

Changes fields of the configuration in FILE, in the order given, and writes it
back. KEY is a field's name as show --json prints it (SourceAddress, Pgn1,
Pgn1Pf, Vin, ...), for its stored value, or FIELD.MEMBER for the NAME's
fields (DeviceName.IdentityNumber) and the VIN's bytes (Vin.bytes). VALUE
takes the JSON's form: numbers in decimal or as 0x hexadecimal (0x26), the
VIN as text, bytes as two hexadecimal digits each separated by blanks, true or
false (see "j1939cfg help json"). A PGN's reserved bit, data page, PF and PS
are fields of their own: set them with the PGN (Pgn1=65280 Pgn1Pf=0xFF
Pgn1Ps=0), or the check says they disagree.

The configuration is then checked as "j1939cfg check" does; its findings are
printed, and FILE is written only when there are none, or with --force.

FILE is written whole: into a temporary file beside it (FILE.XXXXXX), synced,
then renamed over it, so that a full disk, a file-size limit or an interrupted
run leaves it as it was. Bytes after the 77 of the fields are kept as they
were; so are FILE's owner, group and mode (a link to a file writes that file;
a hard link is split: the file's other names keep the old bytes). A
read-only FILE is written only with --force. From the read to the rename the
run holds FILE.lock: a second writer waits up to 5 s for it, then gives up
naming the process that holds it. A temporary file that a run killed while
holding the lock left beside FILE is removed by the next write.

  --force    write FILE even when the check finds something, or when it is
             read-only (it stays read-only)

Exit status: 0 written; 1 the check found something (written only with
--force; if the findings could not be printed, standard error says FILE was
written); 2 usage or file error, or a KEY or VALUE refused (an unknown key, a
value of the wrong form or one the field cannot hold): nothing was written.
)txt";

const char* const kDiffHelp = R"txt(Usage: j1939cfg diff A B [--json]

Prints the fields whose stored values differ between the configurations in A
and B, one line each in record order, in the words of "j1939cfg show":
"field: value in A -> value in B" ("SourceAddress: 25 (hex) -> 26 (hex)").
The NAME's fields that differ follow the DeviceName line, indented. Prints
nothing when no field differs.

  --json    one JSON object instead, a member per field that differs, with
            "from" and "to" as show --json prints the field

Exit status: 0 no field differs; 1 some do; 2 usage or file error.
)txt";

const char* const kBusesHelp = R"txt(Usage: j1939cfg buses [--json]

Lists the CAN interfaces that the installed CAN plugins of Qt find, one a line,
as PLUGIN:INTERFACE with what the plugin says of it, for --can and --verify:

  virtualcan:can0      Qt Virtual CAN bus (virtual, CAN FD)

A plugin that cannot look (a vendor's
library that is not installed) is said with its reason, after the list. On
Linux a socketcan interface is listed once it exists, up or down; it is set up
outside this tool, for example: ip link set can0 up type can bitrate 250000.
virtualcan:can0 and can1 are Qt's virtual bus on this computer, served by the
first program that joins it.

  --json    one JSON object instead: "interfaces", each with "name"
            (PLUGIN:INTERFACE), "plugin", "interface", "description",
            "virtual" and "can_fd"; "failures", each with "plugin" and
            "reason"

Exit status: 0 listed, also when none is found; 2 usage error.
)txt";

const char* const kWatchHelp =
    R"txt(Usage: j1939cfg watch --can IFACE [--seconds S] [--from SA] [--pgn PGN]
                      [--json] [--summary]

Prints every J1939 message on the CAN bus IFACE (PLUGIN:INTERFACE, e.g.
socketcan:can0 or virtualcan:can0), one a line as it comes:

   1.234  prio 3  PGN  61444 (F004)  EEC1    25 -> FF  8 bytes: FF FF FF FF FF FF FF FF

the seconds since the bus connected, the priority, the PGN in decimal and
hexadecimal with its name where it is known, source and destination address
(FF: to all), the length and the data in hexadecimal. A BAM (a group of 9 to
1785 bytes to all) is reassembled into one line, at the time of its
announcement; its faults (a packet missing, repeated or out of order, an
abort, a sender that falls silent for 750 ms, ...) are lines of their own:

   1.500  BAM from 25: VI (65260): packet 3 came before the one expected; dropped

Frames with an 11-bit identifier belong to no J1939 node and are not shown.
Malformed traffic is reported and never stops the watch. Runs until Ctrl-C,
or for S seconds.

  --seconds S   stop after S seconds (decimals allowed)
  --from SA     only messages and faults from source address SA
  --pgn PGN     only the group PGN (and the faults of its BAMs)
  --json        one JSON object a line: "time" (s), "priority", "pgn",
                "pgn_hex", "name" (where known), "source", "destination",
                "length", "data" (hexadecimal) and "bam"; a fault: "time",
                "fault" (missing_packet, repeated_packet,
                wrong_sequence_number, aborted, interrupted, no_announcement,
                size_over_limit, packet_count_mismatch, short_frame,
                timed_out), "source", "pgn", "packet" and "text"
  --summary     no line per message: at the end (Ctrl-C or S seconds), the
                frames and messages counted, then a row per source address
                and PGN with the count, the mean period and its jitter (the
                standard deviation of the intervals) in ms and the last data

SA and PGN are decimal or 0x hexadecimal (0x25, 0xFEEC).

Exit status: 0 ended by Ctrl-C or after S seconds; 2 usage error, no such
plugin or interface, or the bus went away (said on standard error).
)txt";

const char* const kVerifyHelp = R"txt(Usage: j1939cfg verify FILE --can IFACE [--seconds S] [--json]

Checks that the device on the CAN bus IFACE (PLUGIN:INTERFACE) does what the
configuration in FILE makes the simulator do once programmed with it (the
frame that "j1939cfg program" sends): listens for S seconds, sends the Requests
it needs from address F9 (Address Claimed to the device's address and to all;
each "On Request" group, twice, and under "2.00" the VIN, to the device), and
prints each expectation with its verdict and what was measured:

  ok    PGN1 65296 (FF10) priority 6: priority 6
  FAIL  PGN1 65296 (FF10) every 100 ms: every 50.1 ms (jitter 0.8 ms)

- the address is claimed with the configured NAME (another NAME is named
  with the fields in which it differs, and so is another claimant);
- each additional PGN in use: its priority, reserved bit, data page, PF, PS
  and length; its rate within 10 % (the period that best fits the times of
  all its sendings; jitter: the deviation of the intervals from it), or for
  "On Request" an answer to each Request within 50 ms and nothing unasked;
  in dynamic mode its parameter changes, in static mode it stays. A group
  seen with other parts stands for the slot whose own group is missing. A
  BAM carries no priority of its own nor, for a PDU1 group, a destination:
  those are not checked for a slot of more than 8 bytes;
- under "2.00" the VIN, by BAM, in answer to the Request;
- the bit rate, where the plugin reports the interface's.

A last line counts them. A bus that delivers no frame at all gives one line:
"no frames in S s: is the bus connected and at N kbit/s?". Traffic of other
nodes is ignored.

  --seconds S   listen S seconds (decimals allowed); by default long enough
                for the slowest configured rate to repeat three times and a
                half, at least 2 s
  --answer-ms MS
                how soon a Request must be answered, 1 to 60000 ms (default
                50, as J1939 asks); more where a loaded computer or a gateway
                between it and the device delays what it sees
  --json        one JSON object: "file", "can", "seconds", "frames", "holds"
                (all of them), "expectations", each with "expectation",
                "holds" and "measured", and for a silent bus "silence"

Exit status: 0 every expectation holds; 1 one or more do not, or nothing came;
2 usage or file error, no such plugin or interface, or the bus went away.
)txt";

const char* const kJsonHelp = R"txt(The JSON of j1939cfg show --json, make and set

One object, a member per field of the record, keyed by the field's name:
ComPortIndex, SourceAddress, DeviceName, DynamicMode, Pgn1InUse,
Pgn1UpdateRate, Pgn1Priority, Pgn1DataPage, Pgn1Reserved, Pgn1Pf, Pgn1Ps, Pgn1
(the PGN), Pgn1DataLength, Pgn1ParamType, Pgn1ParamPos, the same for Pgn2,
SimulatorVersion, DtcVersion, Vin, CanBaudRate. These keys and forms are
stable: scripts may rely on them.

Each field is an object. Its stored value:
  "value"         a whole number, as stored, within the field's width:
                  SourceAddress, Pgn1Pf, Pgn1Ps, Pgn1ParamType and DtcVersion
                  0 to 255, Pgn1 -2147483648 to 2147483647, the others -32768
                  to 32767
  DeviceName      "bytes": 8 strings "00" to "FF", byte 0 (NAME bits 0 to 7)
                  first; and its fields IdentityNumber (0 to 2097151),
                  ManufacturerCode (0 to 2047), EcuInstance (0 to 7),
                  FunctionInstance (0 to 31), Function (0 to 255),
                  VehicleSystem (0 to 127), VehicleSystemInstance (0 to 15),
                  IndustryGroup (0 to 7), ArbitraryAddressCapable (true or
                  false: NAME bit 63)
  Vin             "bytes": 17 bytes "00" to "FF" in one string, separated by
                  blanks; "text": the VIN up to its first byte 00, a
                  character that does not print written \xNN, a backslash \\

Beside the value, show prints what it means, which make does not store: "text"
(a list entry or a word), "hex", "shownAs" (what the window shows instead), a
PGN's "reserved", "dataPage", "pf" and "ps" (the record's own Pgn1Reserved,
Pgn1DataPage, Pgn1Pf and Pgn1Ps are what is stored), the VIN's "used".

make and set: the value counts. Where DeviceName or Vin has no "bytes", its
fields or "text" give them, the NAME's reserved bit (bit 48) kept as it was;
where it has both, they must agree. What show prints beside the value may be
left out; given, it must read as show reads the value. A field or key left out
keeps what it held: for make, the factory configuration. A key that show does
not print, a key given twice, a value of the wrong type, a number that a JSON
number (a double) does not hold exactly (1e400, 9007199254740993) and one
outside the field's width are refused (exit status 2); a value the field holds
but the window does not take is a finding of the check (exit status 1).
)txt";

constexpr int kMaxSeconds = 1000000;

// A whole number from 0 to `maximum`, decimal or 0x hexadecimal.
std::optional<uint32_t> numberIn(const QString& text, uint32_t maximum) {
  const bool isHex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
  bool ok = false;
  const uint32_t value = (isHex ? text.mid(2) : text).toUInt(&ok, isHex ? 16 : 10);
  if (!ok || value > maximum) return std::nullopt;
  return value;
}

// The value of an option given at most once, into `value`; the error otherwise.
std::optional<QString> single(const QCommandLineParser& parser, const QCommandLineOption& option,
                              const QString& needs, QString& value) {
  const QString dashed = QStringLiteral("--") + option.names().constFirst();
  const QStringList values = parser.values(option);
  if (ValueMissing(parser, option) || values.contains(QString()))
    return QStringLiteral("%1 needs %2").arg(dashed, needs);
  if (values.size() > 1) return QStringLiteral("%1 is given twice").arg(dashed);
  value = values.value(0);
  return std::nullopt;
}

// Every option that a command may take; each command's parser is given its own.
struct CommandOptions {
  QCommandLineOption json{QStringLiteral("json")};
  QCommandLineOption version{QStringLiteral("version"), QString(), QStringLiteral("V")};
  QCommandLineOption port{QStringLiteral("port"), QString(), QStringLiteral("PORT")};
  QCommandLineOption output{QStringList{QStringLiteral("o"), QStringLiteral("output")}, QString(),
                            QStringLiteral("OUT")};
  QCommandLineOption force{QStringLiteral("force")};
  QCommandLineOption can{QStringLiteral("can"), QString(), QStringLiteral("IFACE")};
  QCommandLineOption verify{QStringLiteral("verify"), QString(), QStringLiteral("IFACE")};
  QCommandLineOption seconds{QStringLiteral("seconds"), QString(), QStringLiteral("S")};
  QCommandLineOption answer{QStringLiteral("answer-ms"), QString(), QStringLiteral("MS")};
  QCommandLineOption from{QStringLiteral("from"), QString(), QStringLiteral("SA")};
  QCommandLineOption pgn{QStringLiteral("pgn"), QString(), QStringLiteral("PGN")};
  QCommandLineOption summary{QStringLiteral("summary")};
};

// --can, --verify, --seconds, --from and --pgn, as far as the command takes them.
std::optional<QString> readBusOptions(const QCommandLineParser& parser,
                                      const CommandOptions& options, CfgCommand& command) {
  const QString iface = QStringLiteral("a CAN interface, PLUGIN:INTERFACE");
  QString text;
  if (auto error = single(parser, options.can, iface, command.can)) return error;
  if (command.can.isEmpty()) {
    if (auto error = single(parser, options.verify, iface, command.can)) return error;
  }
  if (auto error = single(parser, options.seconds, QStringLiteral("a number of seconds"), text))
    return error;
  if (!text.isEmpty()) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    // Below a millisecond is nothing to listen to; a timer counts up to 24 days.
    if (!ok || !(value >= 0.001 && value <= kMaxSeconds))
      return QStringLiteral("--seconds %1: a number of seconds from 0.001 to %2, e.g. 10 or 0.5")
          .arg(text)
          .arg(kMaxSeconds);
    command.listenMs = static_cast<qint64>(value * 1000 + 0.5);
  }
  if (auto error = single(parser, options.answer, QStringLiteral("milliseconds"), text))
    return error;
  if (!text.isEmpty()) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 60000)
      return QStringLiteral("--answer-ms %1: milliseconds from 1 to 60000").arg(text);
    command.answerMs = value;
  }
  if (auto error = single(parser, options.from, QStringLiteral("a source address"), text))
    return error;
  if (!text.isEmpty()) {
    const std::optional<uint32_t> address = numberIn(text, 255);
    if (!address)
      return QStringLiteral("--from %1: a source address is 0 to 255, or 0x00 to 0xFF").arg(text);
    command.from = static_cast<uint8_t>(*address);
  }
  if (auto error = single(parser, options.pgn, QStringLiteral("a PGN"), text)) return error;
  if (!text.isEmpty()) {
    command.pgn = numberIn(text, 0x3FFFF);
    if (!command.pgn)
      return QStringLiteral("--pgn %1: a PGN is 0 to 262143, or 0x0 to 0x3FFFF").arg(text);
  }
  return std::nullopt;
}

// The FILEs after the command's options: none, one, two for diff, or one and
// the KEY=VALUE settings for set; then what the command needs besides.
std::optional<QString> readFiles(const QStringList& files, CfgCommand& command) {
  const QString word = wordOf(command.name);
  if (command.name == Name::Ports || command.name == Name::Buses || command.name == Name::Watch) {
    if (!files.isEmpty())
      return QStringLiteral("%1 takes no FILE, not %2").arg(word, files.first());
    if (command.name == Name::Watch && command.can.isEmpty())
      return QStringLiteral("watch needs --can PLUGIN:INTERFACE");
    return std::nullopt;
  }
  if (files.isEmpty() && command.name == Name::Diff)
    return QStringLiteral("diff needs two files, A and B");
  if (files.isEmpty()) return QStringLiteral("%1 needs a FILE").arg(word);
  if (command.name == Name::Set) {
    if (files.first() == QLatin1String("-"))
      return QStringLiteral("set changes a file, not standard input");
    if (files.size() < 2) return QStringLiteral("set needs KEY=VALUE");
    command.settings = files.mid(1);
  } else if (command.name == Name::Diff) {
    if (files.size() != 2) return QStringLiteral("diff needs two files, A and B");
    if (files.first() == files.last() && files.first() == QLatin1String("-"))
      return QStringLiteral("diff reads standard input once");
    command.other = files.last();
  } else if (files.size() > 1)
    return QStringLiteral("%1 takes one FILE, not also %2").arg(word, files.at(1));
  command.file = files.first();
  if (command.name == Name::Program && command.port.isEmpty())
    return QStringLiteral("program needs --port DEVICE or --port COMn");
  if (command.name == Name::Program && command.listenMs && command.can.isEmpty())
    return QStringLiteral("program takes --seconds only with --verify");
  if (command.name == Name::Make && command.output.isEmpty())
    return QStringLiteral("make needs -o OUT.cfg");
  if (command.name == Name::Verify && command.can.isEmpty())
    return QStringLiteral("verify needs --can PLUGIN:INTERFACE");
  return std::nullopt;
}

// The options that command `name` takes, beside --help.
void addCommandOptions(QCommandLineParser& parser, const CommandOptions& options, Name name) {
  const bool onBus = name == Name::Watch || name == Name::Verify;
  parser.addOption(kHelp);
  if (name == Name::Show || name == Name::Ports || name == Name::Diff || name == Name::Buses ||
      onBus)
    parser.addOption(options.json);
  if (onBus) parser.addOptions({options.can, options.seconds});
  if (name == Name::Program) parser.addOption(options.seconds);
  if (name == Name::Program || name == Name::Verify) parser.addOption(options.answer);
  if (name == Name::Watch) parser.addOptions({options.from, options.pgn, options.summary});
  if (name == Name::Make) parser.addOption(options.output);
  if (name == Name::Make || name == Name::Set) parser.addOption(options.force);
  if (name == Name::Frame) parser.addOption(options.version);
  if (name == Name::Program) parser.addOptions({options.port, options.verify});
}

// --version V, the simulator version whose frame frame prints.
std::optional<QString> readFrameVersion(const QCommandLineParser& parser,
                                        const QCommandLineOption& version, CfgCommand& command) {
  const QStringList versions = parser.values(version);
  for (const QString& given : versions) {
    const qsizetype index = SimulatorVersionList().entries.indexOf(given);
    if (index < 0) return QStringLiteral("--version %1: the versions are 1.01 and 2.00").arg(given);
    command.frameVersion = static_cast<SimVersion>(index);
  }
  if (ValueMissing(parser, version)) return QStringLiteral("--version needs a value: 1.01 or 2.00");
  if (versions.size() > 1) return QStringLiteral("--version is given twice");
  return std::nullopt;
}

// -o OUT, the file that make writes.
std::optional<QString> readOutput(const QCommandLineParser& parser,
                                  const QCommandLineOption& output, CfgCommand& command) {
  const QStringList outputs = parser.values(output);
  if (ValueMissing(parser, output) || outputs.contains(QString()))
    return QStringLiteral("-o needs the file to write");
  if (outputs.size() > 1) return QStringLiteral("-o is given twice");
  command.output = outputs.value(0);
  return std::nullopt;
}

// Why `parser` did not read `line`: a value after a switch (--json=yes) in
// the tool's words, anything else in the parser's.
QString parseRefusal(const QCommandLineParser& parser, const QStringList& line) {
  for (const QString& argument : line) {
    const QString option = argument.section(QLatin1Char('='), 0, 0);
    if (argument.contains(QLatin1Char('=')) &&
        (option == QLatin1String("--json") || option == QLatin1String("--force") ||
         option == QLatin1String("--summary") || option == QLatin1String("--help")))
      return QStringLiteral("%1 takes no value: write %1 alone, not %2").arg(option, argument);
  }
  return parser.errorText();
}

// The command's own options and FILE (`line` holds what follows the command
// word), into `command`.
std::optional<QString> readCommandLine(const QStringList& line, CfgCommand& command) {
  const QString word = wordOf(command.name);
  const CommandOptions options;
  QCommandLineParser parser;
  addCommandOptions(parser, options, command.name);
  const bool parsed = parser.parse(QStringList{kProgram} + line);
  if (const QString option = UnknownOption(parser); !option.isEmpty())
    return QStringLiteral("%1 takes no option %2").arg(word, option);
  command.help = parser.isSet(kHelp);
  command.json = parser.isSet(options.json);
  command.force = parser.isSet(options.force);
  command.summary = parser.isSet(options.summary);
  if (const std::optional<QString> error = readBusOptions(parser, options, command)) return error;
  if (const std::optional<QString> error = readFrameVersion(parser, options.version, command))
    return error;
  if (const std::optional<QString> error =
          single(parser, options.port, QStringLiteral("a device or COMn"), command.port))
    return error;
  if (const std::optional<QString> error = readOutput(parser, options.output, command))
    return error;
  if (!parsed) return parseRefusal(parser, line);
  if (command.help) return std::nullopt;
  return readFiles(parser.positionalArguments(), command);
}

}  // namespace

std::optional<QString> ParseCfgArguments(const QStringList& arguments, CfgCommand& command) {
  command = CfgCommand{};
  // The command word first; what follows it is left to the command.
  QCommandLineParser words;
  words.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  words.addOption(kHelp);
  if (!words.parse(QStringList{kProgram} + arguments)) {
    const QString option = UnknownOption(words);
    return option.isEmpty() ? words.errorText() : QStringLiteral("unknown option %1").arg(option);
  }
  QStringList line = words.positionalArguments();
  command.help = words.isSet(kHelp);
  if (!command.help && line.value(0) == QLatin1String("help")) {
    command.help = true;
    line.removeFirst();
  }
  if (line.isEmpty()) {
    if (command.help) return std::nullopt;
    return QStringLiteral("no command given");
  }
  if (command.help && line.first() == QLatin1String("json")) {
    command.name = Name::Json;
    return std::nullopt;
  }
  const std::optional<Name> name = commandNamed(line.first());
  if (!name) return QStringLiteral("no command \"%1\"").arg(line.first());
  command.name = *name;
  if (command.help) return std::nullopt;  // "--help show ...": the rest is not read
  return readCommandLine(line.mid(1), command);
}

QString CfgHelp(CfgCommand::Name name) {
  switch (name) {
    case Name::Show:
      return QString::fromUtf8(kShowHelp);
    case Name::Frame:
      return QString::fromUtf8(kFrameHelp);
    case Name::Program:
      return QString::fromUtf8(kProgramCommandHelp);
    case Name::Check:
      return QString::fromUtf8(kCheckHelp);
    case Name::Ports:
      return QString::fromUtf8(kPortsHelp);
    case Name::Make:
      return QString::fromUtf8(kMakeHelp);
    case Name::Set:
      return QString::fromUtf8(kSetHelp);
    case Name::Diff:
      return QString::fromUtf8(kDiffHelp);
    case Name::Buses:
      return QString::fromUtf8(kBusesHelp);
    case Name::Watch:
      return QString::fromUtf8(kWatchHelp);
    case Name::Verify:
      return QString::fromUtf8(kVerifyHelp);
    case Name::Json:
      return QString::fromUtf8(kJsonHelp);
    case Name::None:
      break;
  }
  return QString::fromUtf8(kProgramHelp);
}

QString CfgHelpHint(CfgCommand::Name name) {
  if (name == Name::None) return QStringLiteral("see j1939cfg --help");
  if (name == Name::Json) return QStringLiteral("see j1939cfg help json");
  return QStringLiteral("see j1939cfg %1 --help").arg(wordOf(name));
}

}  // namespace j1939
