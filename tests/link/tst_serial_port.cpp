#include <termios.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "LinkRig.h"
#include "platform/SerialPort.h"
#include "support/TestMain.h"

// The real port on a pseudo-terminal whose other end the test holds.
class SerialPortTest : public QObject {
  Q_OBJECT
 private slots:
  void opensATerminalAndClosesIt();
  void missingDeviceFailsToOpen();
  void nonTerminalFailsToOpen();
  void lineSettings_data();
  void lineSettings();
  void malformedLineSettingsAreRefused_data();
  void malformedLineSettingsAreRefused();
  void closedPortTakesSettingsAndDiscardsWithoutFailure();
  void writtenBytesLeaveTheTransmitBuffer();
  void receivedBytesAreReadAndDiscarded();
  void readLengthLimitsARead();
  void writeOnAClosedPortFails();
  void farEndGoingAwayClosesThePortOnce();
};

namespace {
termios farEndSettings(const TestPty& pty) {
  // The terminal's settings, which the far end shares.
  termios tio{};
  tcgetattr(pty.master(), &tio);
  return tio;
}
}  // namespace

void SerialPortTest::opensATerminalAndClosesIt() {
  TestPty pty;
  QVERIFY(pty.isValid());
  QtSerialPort port;
  port.setDevice(pty.device());
  QCOMPARE(port.device(), pty.device());
  QVERIFY(!port.isOpen());
  QVERIFY(!port.open());
  QVERIFY(port.isOpen());
  port.close();
  QVERIFY(!port.isOpen());
  port.close();  // closing a closed port does nothing
  QVERIFY(!port.open());
  QVERIFY(port.isOpen());
}

void SerialPortTest::missingDeviceFailsToOpen() {
  QtSerialPort port;
  port.setDevice(QStringLiteral("/dev/ttyNoSuchPort9"));
  const MaybeFailure failure = port.open();
  QVERIFY(failure);
  QCOMPARE(failure->what, QStringLiteral("/dev/ttyNoSuchPort9"));
  QVERIFY(!failure->reason.isEmpty());
  QVERIFY(!port.isOpen());
  // A failed open leaves nothing behind: a good device opens next.
  TestPty pty;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
}

void SerialPortTest::nonTerminalFailsToOpen() {
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("not-a-port")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  QtSerialPort port;
  port.setDevice(file.fileName());
  QVERIFY(port.open());
  QVERIFY(!port.isOpen());
}

void SerialPortTest::lineSettings_data() {
  // A pseudo-terminal keeps the bit rate and the stop bits; it always reads
  // back 8 data bits and no parity, so those are not varied here.
  QTest::addColumn<QString>("settings");
  QTest::addColumn<int>("speed");
  QTest::addColumn<bool>("twoStops");
  QTest::newRow("9600,N,8,1") << "9600,N,8,1" << int(B9600) << false;
  QTest::newRow("4800,N,8,2") << "4800,N,8,2" << int(B4800) << true;
  QTest::newRow("19200,n,8,1 (lower case)") << "19200,n,8,1" << int(B19200) << false;
  QTest::newRow(" 9600 , N , 8 , 1 (blanks)") << " 9600 , N , 8 , 1 " << int(B9600) << false;
}

void SerialPortTest::lineSettings() {
  QFETCH(QString, settings);
  QFETCH(int, speed);
  QFETCH(bool, twoStops);
  TestPty pty;
  QtSerialPort port;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(!port.setLineSettings(QStringLiteral("2400,N,8,2")));
  QVERIFY(!port.setLineSettings(settings));
  const termios tio = farEndSettings(pty);
  QCOMPARE(int(cfgetospeed(&tio)), speed);
  QCOMPARE(int(cfgetispeed(&tio)), speed);
  QCOMPARE(int(tio.c_cflag & CSIZE), int(CS8));
  QVERIFY((tio.c_cflag & PARENB) == 0);
  QCOMPARE((tio.c_cflag & CSTOPB) != 0, twoStops);
  QVERIFY((tio.c_cflag & CRTSCTS) == 0);
  QVERIFY((tio.c_iflag & (IXON | IXOFF)) == 0);
}

void SerialPortTest::malformedLineSettingsAreRefused_data() {
  QTest::addColumn<QString>("settings");
  for (const char* text : {"", "9600,N,8", "9600,N,8,1,1", "fast,N,8,1", "0,N,8,1", "9600,X,8,1",
                           "9600,NN,8,1", "9600,N,9,1", "9600,N,4,1", "9600,N,8,3"})
    QTest::newRow(*text ? text : "empty") << QString::fromLatin1(text);
}

void SerialPortTest::malformedLineSettingsAreRefused() {
  QFETCH(QString, settings);
  TestPty pty;
  QtSerialPort port;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  const MaybeFailure failure = port.setLineSettings(settings);
  QVERIFY(failure);
  QCOMPARE(failure->what, settings);
  // The line keeps what it had.
  const termios tio = farEndSettings(pty);
  QCOMPARE(int(cfgetospeed(&tio)), int(B9600));
}

void SerialPortTest::closedPortTakesSettingsAndDiscardsWithoutFailure() {
  QtSerialPort port;
  port.setDevice(QStringLiteral("/dev/ttyNoSuchPort9"));
  QVERIFY(port.open());
  QVERIFY(!port.discardReceiveBuffer());
  QVERIFY(!port.discardTransmitBuffer());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  QCOMPARE(port.bytesAvailable(), 0);
  QCOMPARE(port.bytesToWrite(), 0);
  QVERIFY(port.readAll().isEmpty());
}

void SerialPortTest::writtenBytesLeaveTheTransmitBuffer() {
  TestPty pty;
  QtSerialPort port;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  QSignalSpy written(&port, &SerialPort::bytesWritten);
  const QByteArray frame = QByteArray::fromHex("FF00250000000000000000F4010800");
  QVERIFY(!port.write(frame));
  // Queued, not yet sent: the bytes move while events are processed.
  QCOMPARE(port.bytesToWrite(), frame.size());
  QTRY_COMPARE(port.bytesToWrite(), 0);
  QVERIFY(!written.isEmpty());
  QCOMPARE(pty.read(frame.size()), frame);
}

void SerialPortTest::receivedBytesAreReadAndDiscarded() {
  TestPty pty;
  QtSerialPort port;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  QSignalSpy ready(&port, &SerialPort::readyRead);
  pty.write(QByteArray::fromHex("55AA"));
  QTRY_COMPARE(port.bytesAvailable(), 2);
  QVERIFY(!ready.isEmpty());
  QCOMPARE(port.readAll(), QByteArray::fromHex("55AA"));
  QCOMPARE(port.bytesAvailable(), 0);

  pty.write(QByteArray::fromHex("0102"));
  QTRY_COMPARE(port.bytesAvailable(), 2);
  QVERIFY(!port.discardReceiveBuffer());
  QCOMPARE(port.bytesAvailable(), 0);
  QVERIFY(port.readAll().isEmpty());
}

void SerialPortTest::readLengthLimitsARead() {
  TestPty pty;
  QtSerialPort port;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  pty.write(QByteArray::fromHex("010203"));
  QTRY_COMPARE(port.bytesAvailable(), 3);
  port.setReadLength(2);
  QCOMPARE(port.readAll(), QByteArray::fromHex("0102"));
  port.setReadLength(0);
  QCOMPARE(port.readAll(), QByteArray::fromHex("03"));
}

void SerialPortTest::writeOnAClosedPortFails() {
  QtSerialPort port;
  port.setDevice(QStringLiteral("/dev/ttyNoSuchPort9"));
  const MaybeFailure failure = port.write(QByteArray(32, '\0'));
  QVERIFY(failure);
  QCOMPARE(failure->what, QStringLiteral("/dev/ttyNoSuchPort9"));
}

void SerialPortTest::farEndGoingAwayClosesThePortOnce() {
  TestPty pty;
  QtSerialPort port;
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  QSignalSpy errors(&port, &SerialPort::portError);
  pty.closeMaster();
  QTRY_COMPARE(errors.size(), 1);
  QVERIFY(!port.isOpen());
  QVERIFY(!errors.first().first().toString().isEmpty());
  // Nothing more follows: the port is closed, so no error can repeat.
  QTest::qWait(200);
  QCOMPARE(errors.size(), 1);
  QVERIFY(port.write(QByteArray(1, '\x55')));
}

J1939_TEST(SerialPortTest);
#include "tst_serial_port.moc"
