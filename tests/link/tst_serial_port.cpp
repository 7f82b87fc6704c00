#include <termios.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/SerialPort.h"
#include "support/Emulator.h"
#include "support/TestMain.h"

// The real port on a pseudo-terminal whose other end the test holds.
class SerialPortTest : public QObject {
  Q_OBJECT
 private slots:
  void open_data();
  void open();
  void lineSettings_data();
  void lineSettings();
  void closedPortDiscardsWithoutFailureButCannotWrite();
  void writtenBytesLeaveTheTransmitBuffer();
  void receivedBytesAreReadLimitedAndDiscarded();
  void farEndGoingAwayClosesThePortOnce();
};

namespace {

// The port opened on the pseudo-terminal at 9600,N,8,1.
bool openOn(QtSerialPort& port, const TestPty& pty) {
  port.setDevice(pty.device());
  return pty.isValid() && !port.open() && !port.setLineSettings(QStringLiteral("9600,N,8,1"));
}

}  // namespace

void SerialPortTest::open_data() {
  QTest::addColumn<QString>("device");  // "pty": the test's own terminal
  QTest::newRow("a terminal") << "pty";
  QTest::newRow("no such device") << "/dev/ttyNoSuchPort9";
  QTest::newRow("not a terminal") << "file";
}

void SerialPortTest::open() {
  QFETCH(QString, device);
  TestPty pty;
  QTemporaryDir dir;
  if (device == QLatin1String("pty")) device = pty.device();
  if (device == QLatin1String("file")) {
    device = dir.filePath(QStringLiteral("not-a-port"));
    QVERIFY(QFile(device).open(QIODevice::WriteOnly));
  }
  QtSerialPort port;
  port.setDevice(device);
  QCOMPARE(port.device(), device);
  QVERIFY(!port.isOpen());
  const MaybeFailure failure = port.open();
  QCOMPARE(port.isOpen(), !failure);
  if (failure) {
    QCOMPARE(failure->what, device);
    QVERIFY(!failure->reason.isEmpty());
  } else {
    port.close();
    QVERIFY(!port.isOpen());
    port.close();  // closing a closed port does nothing
  }
  QCOMPARE(device == pty.device(), !failure);
  // Whatever happened leaves nothing behind: a good device opens next.
  port.setDevice(pty.device());
  QVERIFY(!port.open());
  QVERIFY(port.isOpen());
}

void SerialPortTest::lineSettings_data() {
  // A pseudo-terminal keeps the bit rate and the stop bits; it always reads
  // back 8 data bits and no parity, so those are not varied here. Settings
  // that are refused leave the line at 9600 bit/s with one stop bit.
  QTest::addColumn<QString>("settings");
  QTest::addColumn<bool>("taken");
  QTest::addColumn<int>("speed");
  QTest::addColumn<bool>("twoStops");
  QTest::newRow("9600,N,8,1") << "9600,N,8,1" << true << int(B9600) << false;
  QTest::newRow("4800,N,8,2") << "4800,N,8,2" << true << int(B4800) << true;
  QTest::newRow("19200,n,8,1 (lower case)") << "19200,n,8,1" << true << int(B19200) << false;
  QTest::newRow(" 9600 , N , 8 , 1 (blanks)")
      << " 9600 , N , 8 , 1 " << true << int(B9600) << false;
  for (const char* text : {"", "9600,N,8", "9600,N,8,1,1", "fast,N,8,1", "0,N,8,1", "9600,X,8,1",
                           "9600,NN,8,1", "9600,N,9,1", "9600,N,4,1", "9600,N,8,3"})
    QTest::newRow(*text ? text : "empty")
        << QString::fromLatin1(text) << false << int(B9600) << false;
}

void SerialPortTest::lineSettings() {
  QFETCH(QString, settings);
  QFETCH(bool, taken);
  QFETCH(int, speed);
  QFETCH(bool, twoStops);
  TestPty pty;
  QtSerialPort port;
  QVERIFY(openOn(port, pty));
  if (taken) QVERIFY(!port.setLineSettings(QStringLiteral("2400,N,8,2")));  // to be changed
  const MaybeFailure failure = port.setLineSettings(settings);
  QCOMPARE(!failure, taken);
  if (failure) QCOMPARE(failure->what, settings);
  // The terminal's settings, which the far end shares.
  termios tio{};
  tcgetattr(pty.master(), &tio);
  QCOMPARE(int(cfgetospeed(&tio)), speed);
  QCOMPARE(int(cfgetispeed(&tio)), speed);
  QCOMPARE(int(tio.c_cflag & CSIZE), int(CS8));
  QVERIFY((tio.c_cflag & PARENB) == 0);
  QCOMPARE((tio.c_cflag & CSTOPB) != 0, twoStops);
  QVERIFY((tio.c_cflag & CRTSCTS) == 0);
  QVERIFY((tio.c_iflag & (IXON | IXOFF)) == 0);
}

void SerialPortTest::closedPortDiscardsWithoutFailureButCannotWrite() {
  QtSerialPort port;
  port.setDevice(QStringLiteral("/dev/ttyNoSuchPort9"));
  QVERIFY(port.open());
  QVERIFY(!port.discardReceiveBuffer());
  QVERIFY(!port.discardTransmitBuffer());
  QVERIFY(!port.setLineSettings(QStringLiteral("9600,N,8,1")));
  QCOMPARE(port.bytesAvailable(), 0);
  QCOMPARE(port.bytesToWrite(), 0);
  QVERIFY(port.readAll().isEmpty());
  const MaybeFailure failure = port.write(QByteArray(32, '\0'));
  QVERIFY(failure);
  QCOMPARE(failure->what, QStringLiteral("/dev/ttyNoSuchPort9"));
}

void SerialPortTest::writtenBytesLeaveTheTransmitBuffer() {
  TestPty pty;
  QtSerialPort port;
  QVERIFY(openOn(port, pty));
  QSignalSpy written(&port, &SerialPort::bytesWritten);
  const QByteArray frame = QByteArray::fromHex("FF00250000000000000000F4010800");
  QVERIFY(!port.write(frame));
  // Queued, not yet sent: the bytes move while events are processed.
  QCOMPARE(port.bytesToWrite(), frame.size());
  QTRY_COMPARE(port.bytesToWrite(), 0);
  QVERIFY(!written.isEmpty());
  QCOMPARE(pty.read(frame.size()), frame);
}

void SerialPortTest::receivedBytesAreReadLimitedAndDiscarded() {
  TestPty pty;
  QtSerialPort port;
  QVERIFY(openOn(port, pty));
  QSignalSpy ready(&port, &SerialPort::readyRead);
  pty.write(QByteArray::fromHex("55AA03"));
  QTRY_COMPARE(port.bytesAvailable(), 3);
  QVERIFY(!ready.isEmpty());
  port.setReadLength(2);
  QCOMPARE(port.readAll(), QByteArray::fromHex("55AA"));
  port.setReadLength(0);
  QCOMPARE(port.readAll(), QByteArray::fromHex("03"));
  QCOMPARE(port.bytesAvailable(), 0);

  pty.write(QByteArray::fromHex("0102"));
  QTRY_COMPARE(port.bytesAvailable(), 2);
  QVERIFY(!port.discardReceiveBuffer());
  QCOMPARE(port.bytesAvailable(), 0);
  QVERIFY(port.readAll().isEmpty());
}

void SerialPortTest::farEndGoingAwayClosesThePortOnce() {
  TestPty pty;
  QtSerialPort port;
  QVERIFY(openOn(port, pty));
  QSignalSpy errors(&port, &SerialPort::portError);
  pty.closeMaster();
  QTRY_COMPARE(errors.size(), 1);
  QVERIFY(!port.isOpen());
  QCOMPARE(errors.first().first().toString(), QStringLiteral("the device closed the connection"));
  // Nothing more follows: the port is closed, so no error can repeat.
  QTest::qWait(200);
  QCOMPARE(errors.size(), 1);
  QVERIFY(port.write(QByteArray(1, '\x55')));
}

J1939_TEST(SerialPortTest);
#include "tst_serial_port.moc"
