#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTest>
#include <optional>

#include "rules/record/FactoryConfig.h"
#include "rules/record/RecordCodec.h"
#include "support/Emulator.h"
#include "support/RecordModel.h"
#include "support/Records.h"
#include "support/TestMain.h"

using L = QStringList;

namespace {

// What `path` is, not following a link: type and mode, owner and group, the
// device a node stands for, where a link leads, and with `inode` which file.
QString node(const QString& path, bool inode = true) {
  struct stat s {};
  if (::lstat(QFile::encodeName(path).constData(), &s) != 0) return "missing";
  return QString("%1 %2:%3 device %4 link %5 inode %6")
      .arg(s.st_mode, 0, 8)
      .arg(s.st_uid)
      .arg(s.st_gid)
      .arg(s.st_rdev)
      .arg(QFile::symLinkTarget(path))
      .arg(inode ? s.st_ino : 0);
}

QStringList listing(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

// What the writers meet: the target ("%f", bench.cfg holding `before` unless
// said) and what is done to it or around it.
enum Fault {
  Plain,
  SizeLimit,
  Device,
  Fifo,
  LinkToDevice,
  ReadOnly,
  OtherOwner,
  Locked,
  LockedThenFreed,
  OtherHost,           // a writer on another machine, whose process this one cannot see
  OtherHostThenFreed,  // that writer lets go meanwhile
  Leftover,
  FullOutput
};
}  // namespace

// What j1939cfg's make and set write, and what they leave when they cannot.
class CfgWriteTest : public QObject {
  Q_OBJECT

 private slots:
  // Any record through show --json and make comes back with the same field
  // bytes; set changes only the bytes of its field and keeps what follows.
  void makeSetDiff() {
    QTemporaryDir dir;
    const QString cfg = dir.filePath("a.cfg"), json = dir.filePath("a.json");
    const QString made = dir.filePath("b.cfg");
    const struct {
      const char* setting;
      int offset;
      QByteArray bytes;
    } sets[] = {{"SourceAddress=0x7e", 2, "\x7e"},
                {"Pgn2=-123456", 46, fromHex("c01dfeff")},
                {"Pgn1ParamPos=258", 32, fromHex("0201")},
                {"DeviceName.bytes=01 02 03 04 05 0a fF 08", 3, fromHex("0102030405 0aff08")},
                {"Vin=A\\\\\\x9B", 58, QByteArray("A\\\x9B", 3) + QByteArray(14, 0)}};
    QRandomGenerator random(15);
    for (int run = 0; run < 10; ++run) {
      QByteArray fields(kConfigFieldBytes, 0);
      for (char& byte : fields) byte = static_cast<char>(random.bounded(256));
      const QByteArray file = fields + "filler and what follows";
      QVERIFY(writeBytes(cfg, file));
      QVERIFY(writeBytes(json, runCfg({"show", cfg, "--json"}).out.toUtf8()));
      runCfg({"make", json, "-o", made, "--force"});
      QCOMPARE(fileBytes(made).toHex(), (fields + QByteArray(7, 0)).toHex());
      const auto& set = sets[run % std::size(sets)];
      QCOMPARE(runCfg({"set", cfg, set.setting, "--force"}).err, "");
      QCOMPARE(fileBytes(cfg).toHex(),
               QByteArray(file).replace(set.offset, set.bytes.size(), set.bytes).toHex());
    }
    // {} is the factory configuration; a variant with set differs in its field alone.
    QVERIFY(writeBytes(json, "{}"));
    QCOMPARE(runCfg({"make", json, "-o", made}).exitCode, 0);
    QCOMPARE(fileBytes(made), EncodeConfigRecord(factoryOver(storedBack({}))));
    QVERIFY(writeBytes(cfg, fileBytes(made)));
    QCOMPARE(
        runCfg({"set", cfg, "ComPortIndex=3", "SourceAddress=0x2a", "DeviceName.IdentityNumber=5",
                "DeviceName.Function=0xaB", "Pgn2UpdateRate=0x5"})
            .exitCode,
        0);
    const Run diff = runCfg({"diff", made, cfg});
    QCOMPARE(diff.exitCode, 1);
    QCOMPARE(diff.out,
             "ComPortIndex: 0 (COM1) -> 3 (COM4)\nSourceAddress: 00 (hex) -> 2A (hex)\nDeviceName: "
             "00 00 00 00 00 00 00 00 (bytes 0 to "
             "7) -> 05 00 00 00 00 AB 00 00 (bytes 0 to 7)\n  Identity Number: 0 -> 5\n  Function: "
             "0 -> 171\nPgn2UpdateRate: 0 (On Request) -> 5 (Every 5s)\n");
    // The same differences for scripts, each field whole on both sides.
    QCOMPARE(
        QJsonDocument::fromJson(runCfg({"diff", made, cfg, "--json"}).out.toUtf8())
            .toJson(QJsonDocument::Compact),
        R"({"ComPortIndex":{"from":{"text":"COM1","value":0},"to":{"text":"COM4","value":3}},)"
        R"("DeviceName":{"from":{"ArbitraryAddressCapable":false,"EcuInstance":0,"Function":0,)"
        R"("FunctionInstance":0,"IdentityNumber":0,"IndustryGroup":0,"ManufacturerCode":0,)"
        R"("VehicleSystem":0,"VehicleSystemInstance":0,"bytes":["00","00","00","00","00","00",)"
        R"("00","00"]},"to":{"ArbitraryAddressCapable":false,"EcuInstance":0,"Function":171,)"
        R"("FunctionInstance":0,"IdentityNumber":5,"IndustryGroup":0,"ManufacturerCode":0,)"
        R"("VehicleSystem":0,"VehicleSystemInstance":0,"bytes":["05","00","00","00","00","AB",)"
        R"("00","00"]}},"Pgn2UpdateRate":{"from":{"text":"On Request","value":0},"to":{"text":)"
        R"("Every 5s","value":5}},"SourceAddress":{"from":{"hex":"00","value":0},"to":{"hex":)"
        R"("2A","value":42}}})");
    // VINs that read the same, their bytes after the first 00 differing.
    QVERIFY(writeRecord(made, benchRecord([](auto& c) { setVin(c, "AB"), c.Vin[3] = 'C'; })));
    QVERIFY(writeRecord(cfg, benchRecord([](auto& c) { setVin(c, "AB"), c.Vin[16] = 0x9B; })));
    const QString zeros = QString("\\x00").repeated(13);
    QCOMPARE(runCfg({"diff", made, cfg}).out,
             QString("Vin: \"AB\" (2 characters; bytes \"AB\\x00C%1\") -> \"AB\" (2 "
                     "characters; bytes \"AB\\x00%1\\x9B\")\n")
                 .arg(zeros));
  }

  // Each write either replaces the file whole, keeping its tail, owner, group
  // and mode, or leaves it exactly as it was; nothing is left beside it.
  void writeFaults_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<L>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");       // %f the target, %p the lock holder
    QTest::addColumn<QByteArray>("after");  // empty: as it was
    const QByteArray before = benchBytes() + QByteArray(400, 'T');
    const auto replaced = [&](const QByteArray& record) {
      return record.left(77) + before.mid(77);
    };
    const QByteArray address = replaced(benchBytes([](auto& c) { c.SourceAddress = 0x26; }));
    const QByteArray factory = replaced(EncodeConfigRecord(FactoryConfig()));
    const L set{"set", "%f", "SourceAddress=0x26"}, make{"make", "%j", "-o", "%f"};
    const QString special =
        "j1939cfg: Cannot write the configuration file %f: it is not a regular file\n";
    // clang-format off
    QTest::newRow("make keeps the tail") << int(Plain) << make << 0 << "" << factory;
    QTest::newRow("file-size limit") << int(SizeLimit) << set << 2 << "j1939cfg: cannot write %f: File too large\n" << QByteArray();
    QTest::newRow("device") << int(Device) << make << 2 << special << QByteArray();
    QTest::newRow("named pipe") << int(Fifo) << make << 2 << special << QByteArray();
    QTest::newRow("link to a device") << int(LinkToDevice) << make << 2 << special << QByteArray();
    QTest::newRow("set on a link to a device") << int(LinkToDevice) << set << 2 << "j1939cfg: Cannot change the configuration file %f: it is not a regular file\n" << QByteArray();
    QTest::newRow("read-only") << int(ReadOnly) << set << 2 << "j1939cfg: %f is read-only and not written; --force writes it, keeping it read-only\n" << QByteArray();
    QTest::newRow("read-only, forced") << int(ReadOnly) << set + L{"--force"} << 0 << "" << address;
    QTest::newRow("another owner, special bits") << int(OtherOwner) << set << 0 << "" << address;
    QTest::newRow("second writer") << int(Locked) << set << 2 << "j1939cfg: cannot write %f: another writer, process %p, holds %f.lock\n" << QByteArray();
    QTest::newRow("a writer that lets go meanwhile") << int(LockedThenFreed) << set << 0 << "" << address;
    QTest::newRow("a writer on another machine") << int(OtherHost) << set << 2 << "j1939cfg: cannot write %f: another writer, process %p on bench-pc, holds %f.lock\n" << QByteArray();
    QTest::newRow("one on another machine that lets go meanwhile") << int(OtherHostThenFreed) << set << 0 << "" << address;
    QTest::newRow("a killed writer's leftover") << int(Leftover) << set << 0 << "" << address;
    QTest::newRow("bit 63 set, forced") << int(Plain) << L{"set", "%f", "DeviceName.ArbitraryAddressCapable=true", "--force"} << 1 << "" << replaced(benchBytes([](auto& c) { c.DeviceName[7] |= 0x80; }));
    QTest::newRow("written, findings unprintable") << int(FullOutput) << L{"set", "%f", "Pgn1DataLength=1786", "--force"} << 1 << "j1939cfg: cannot write to standard output: No space left on device; %f was written\n" << replaced(benchBytes([](auto& c) { c.Pgns[0].DataLength = 1786; }));
    QTest::newRow("unprintable, not written") << int(FullOutput) << L{"set", "%f", "Pgn1DataLength=1786"} << 2 << "j1939cfg: %f is not written; --force writes it with these findings\nj1939cfg: cannot write to standard output: No space left on device\n" << QByteArray();
    // clang-format on
  }
  void writeFaults() {
    QFETCH(int, fault);
    QFETCH(L, args);
    QFETCH(int, exit);
    QFETCH(QString, err);
    QFETCH(QByteArray, after);
    if (fault == OtherOwner && ::geteuid() != 0) QSKIP("only root gives a file to another owner");
    QTemporaryDir dir;
    // Root could replace /dev/null itself should the refusal ever fail: it
    // gets a node of its own (/dev/null's numbers) to refuse.
    const QString device = ::geteuid() == 0 ? dir.filePath("null") : "/dev/null";
    if (device != "/dev/null")
      QCOMPARE(::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    const QString target = fault == Device ? device : dir.filePath("bench.cfg");
    const QString json = dir.filePath("in.json"), lock = target + ".lock";
    const QByteArray was = benchBytes() + QByteArray(400, 'T');
    QVERIFY(writeBytes(json, "{}"));
    if (fault == Fifo) QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0644), 0);
    if (fault == LinkToDevice) QVERIFY(QFile::link(device, target));
    if (fault != Device && fault != Fifo && fault != LinkToDevice) QVERIFY(writeBytes(target, was));
    if (fault == ReadOnly)
      QVERIFY(
          QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    if (fault == OtherOwner) {
      QCOMPARE(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
      QCOMPARE(::chmod(QFile::encodeName(target).constData(), 02640), 0);
    }
    qint64 holderPid = QCoreApplication::applicationPid();
    if (fault == Leftover) {
      // Someone's own file of a temporary file's name, older than the lock of
      // a writer that was killed after it had made its temporary file.
      QFile backup(target + ".backup");
      QVERIFY(backup.open(QIODevice::WriteOnly) && backup.write(was) == was.size() &&
              backup.flush());
      QVERIFY(backup.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
      const qint64 pid = endedProcessId();
      QVERIFY(pid > 0);
      QVERIFY(writeBytes(lock, QByteArray::number(pid) + "\nj1939cfg\n" +
                                   QSysInfo::machineHostName().toUtf8() + "\n"));
      QVERIFY(writeBytes(target + ".QxWvEr", was.left(30)));
    }
    // The process number of a writer on another machine says nothing here,
    // even that of a process that has ended on this one.
    if (fault == OtherHost || fault == OtherHostThenFreed) {
      holderPid = endedProcessId();
      QVERIFY(holderPid > 0);
      QVERIFY(writeBytes(lock, QByteArray::number(holderPid) + "\nj1939cfg\nbench-pc\n"));
    }
    std::optional<QLockFile> holder;
    if (fault == Locked || fault == LockedThenFreed) QVERIFY(holder.emplace(lock).tryLock(0));
    // Someone's file of a temporary file's name, made while a live writer
    // holds the lock: not that writer's leftover, so it stays.
    if (fault == LockedThenFreed || fault == OtherHostThenFreed)
      QVERIFY(writeBytes(target + ".Backup", was));
    const QStringList folder = listing(dir.path());
    const QString nodeBefore = node(target);

    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A writer that lets go within a second is waited for as the tool waits
    // for anyone (a few seconds); the others are given up on sooner, one of
    // them at once.
    const bool letsGo = fault == LockedThenFreed || fault == OtherHostThenFreed;
    environment.remove("J1939CFG_LOCK_WAIT_MS");
    if (!letsGo) environment.insert("J1939CFG_LOCK_WAIT_MS", fault == Locked ? "0" : "100");
    tool.setProcessEnvironment(environment);
    if (fault == SizeLimit)  // room for the lock file, not for the configuration
      tool.setChildProcessModifier([] {
        const rlimit limit{256, 256};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      });
    if (fault == FullOutput) tool.setStandardOutputFile("/dev/full");
    tool.start(programPath("j1939cfg"),
               args.replaceInStrings("%f", target).replaceInStrings("%j", json));
    if (letsGo) {  // let go once the tool waits
      QVERIFY(tool.waitForStarted());
      QTest::qWait(800);
      holder.reset();
      if (fault == OtherHostThenFreed) QVERIFY(QFile::remove(lock));
    }
    if (fault == Locked) {  // told to give up at once, it is gone before the lock is
      tool.waitForFinished(1500);
      holder.reset();
    }
    const Run run = finish(tool);
    holder.reset();
    QCOMPARE(run.exitCode, exit);
    QCOMPARE(run.err, err.replace("%f", target).replace("%p", QString::number(holderPid)));
    if (after.isEmpty()) {
      QCOMPARE(node(target), nodeBefore);
      if (fault != Fifo && fault != Device)
        QCOMPARE(fileBytes(target).toHex(), fault == LinkToDevice ? QByteArray() : was.toHex());
    } else {
      QCOMPARE(node(target, false),
               QString(nodeBefore).replace(QRegularExpression("inode \\d+$"), "inode 0"));
      QCOMPARE(fileBytes(target).toHex(), after.toHex());
    }
    QStringList left = folder;
    left.removeAll("bench.cfg.QxWvEr");
    if (fault != OtherHost) left.removeAll("bench.cfg.lock");  // another machine's stays
    QCOMPARE(listing(dir.path()), left);
  }

  // What the JSON says once and exactly, or is refused naming the key: "%j"
  // the JSON, "%f" bench.cfg, written only when all is read.
  void json_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<L>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("after");  // empty: as it was
    const L make{"make", "%j", "-o", "%f"};
    const auto row = [&](const char* name, const QByteArray& json, const QString& err) {
      QTest::newRow(name) << json << make << 2 << "j1939cfg: %j: " + err + "\n" << QByteArray();
    };
    // clang-format off
    // The size limit: 1 MiB of JSON is read, a byte more is not.
    const QByteArray mib = "{}" + QByteArray(1024 * 1024 - 2, ' ');
    QTest::newRow("1 MiB") << mib << make << 0 << "" << EncodeConfigRecord(FactoryConfig()).left(77) + benchBytes().mid(77);
    row("1 MiB and a byte", mib + ' ', "more than 1 MiB, which is no configuration's JSON (a few kilobytes)");
    row("key twice", R"({"SourceAddress": {"value": 1}, "SourceAddress": {"value": 2}})", "SourceAddress: the key is given twice");
    row("member twice, escaped", R"({"Vin": {"text": "A", "t\u0065xt": "B"}})", "Vin.text: the key is given twice");
    row("hex", R"({"SourceAddress": {"value": 38, "hex": "25"}})", "SourceAddress.hex: \"25\" disagrees with the value 38, which show prints as \"26\"");
    row("PGN part", R"({"Pgn1": {"value": 65296, "pf": "FE"}})", "Pgn1.pf: \"FE\" disagrees with the value 65296, which show prints as \"FF\"");
    row("text of a value kept", R"({"ComPortIndex": {"text": "COM4"}})", "ComPortIndex.text: \"COM4\" disagrees with the value 0, which show prints as \"COM1\"");
    row("shown as, not shown", R"({"Pgn1DataLength": {"value": 8, "shownAs": 8}})", "Pgn1DataLength.shownAs: 8 disagrees with the value 8, for which show prints no shownAs");
    row("1e400", R"({"Pgn1": {"value": 1e400}})", "Pgn1.value: 1e400 is not held exactly by a JSON number");
    row("2^53 + 1", R"({"Pgn1": {"value": 9007199254740993}})", "Pgn1.value: 9007199254740993 is not held exactly by a JSON number");
    row("whole only when rounded", R"({"DeviceName": {"Function": 2.00000000000000000001}})", "DeviceName.Function: 2.00000000000000000001 is not held exactly by a JSON number");
    // A key must be a string: what is not JSON is refused as the JSON reader
    // finds it, not as a key read from nothing.
    row("keys without quotes", "{:1, :2}", "not a JSON object: unterminated object at offset 2");
    row("control characters in a key", "{\"Pgn1\\u001b[31m\": {}}", "Pgn1\\x1B[31m: no such field");
    row("more than 1 MiB", "{}" + QByteArray(1024 * 1024, ' '), "more than 1 MiB, which is no configuration's JSON (a few kilobytes)");
    QTest::newRow("a device") << QByteArray() << L{"make", "/dev/zero", "-o", "%f"} << 2 << "j1939cfg: cannot read /dev/zero: it is a device, not a file\n" << QByteArray();
    QTest::newRow("0x-1") << QByteArray() << L{"set", "%f", "Pgn1=0x-1"} << 2 << "j1939cfg: Pgn1: \"0x-1\" is no number (decimal, or hexadecimal after 0x)\n" << QByteArray();
    QTest::newRow("set 2^53 + 1") << QByteArray() << L{"set", "%f", "Pgn1=9007199254740993"} << 2 << "j1939cfg: Pgn1: 9007199254740993 is not held exactly by a JSON number\n" << QByteArray();
    QTest::newRow("set -2^53, held exactly") << QByteArray() << L{"set", "%f", "Pgn1=-9007199254740992"} << 2 << "j1939cfg: Pgn1.value: -9007199254740992 is outside -2147483648 to 2147483647\n" << QByteArray();
    QTest::newRow("readings that agree") << QByteArray(R"({"SourceAddress": {"value": 38, "hex": "26"}, "Pgn1": {"value": 65296, "pf": "FF", "ps": "10", "dataPage": 0, "reserved": 0}, "Pgn1Pf": {"value": 255}, "Pgn1Ps": {"value": 16}, "Pgn1DataLength": {"value": 0, "shownAs": 1}, "Pgn1ParamPos": {"value": 1}, "Pgn1ParamType": {"value": 0, "text": "Single Byte"}, "DeviceName": {"Function": 1.5e2}})") << make << 0 << "" << EncodeConfigRecord([] { SimulatorConfig c = FactoryConfig(); c.SourceAddress = 38, c.Pgns[0].Pgn = 65296, c.Pgns[0].Pf = 255, c.Pgns[0].Ps = 16, c.Pgns[0].DataLength = 0, c.Pgns[0].ParamPos = 1, c.Pgns[0].ParamType = 0, c.DeviceName[5] = 150; return c; }()).left(77) + benchBytes().mid(77);
    // Byte 6 of the bench NAME holds 05: its bit 0 is bit 48, reserved.
    QTest::newRow("NAME by its fields keeps the reserved bit") << QByteArray() << L{"set", "%f", "DeviceName.IdentityNumber=5", "DeviceName.VehicleSystem=3"} << 0 << "" << benchBytes([](auto& c) { c.DeviceName[0] = 5, c.DeviceName[1] = 0, c.DeviceName[2] = 0x60, c.DeviceName[6] = 0x07; });
    // clang-format on
  }
  void json() {
    QFETCH(QByteArray, json);
    QFETCH(L, args);
    QFETCH(int, exit);
    QFETCH(QString, err);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.cfg"), input = dir.filePath("in.json");
    QVERIFY(writeBytes(file, benchBytes()) && writeBytes(input, json));
    const Run run = runCfg(args.replaceInStrings("%f", file).replaceInStrings("%j", input));
    QCOMPARE(run.exitCode, exit);
    QCOMPARE(run.err, err.replace("%j", input));
    QCOMPARE(fileBytes(file).toHex(), (after.isEmpty() ? benchBytes() : after).toHex());
  }
};

J1939_TEST_MAIN(CfgWriteTest, "cfgwrite")
#include "tst_cfgwrite.moc"
