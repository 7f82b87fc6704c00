// count_frames: counts the frames on a CAN bus for a number of seconds from the
// first one, and prints how many came in all, from the source addresses that
// --bus-load uses (80 to 8F) and from the others, and the fewest in one second.
//   count_frames PLUGIN INTERFACE SECONDS
// Connected, it says "connected" on a line of its own: on a virtual bus it
// holds the bus's server, so it is started before the programs it counts.

#include <QCanBus>
#include <QCanBusDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: count_frames PLUGIN INTERFACE SECONDS\n");
    return 2;
  }
  QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
  const int seconds = std::max(1, atoi(argv[3]));
  QString error;
  std::unique_ptr<QCanBusDevice> bus(QCanBus::instance()->createDevice(argv[1], argv[2], &error));
  if (!bus || !bus->connectDevice()) {
    std::fprintf(stderr, "count_frames: %s\n", qPrintable(bus ? bus->errorString() : error));
    return 1;
  }
  QElapsedTimer clock;
  std::vector<long> perSecond(static_cast<std::size_t>(seconds), 0);
  long load = 0, others = 0;
  QObject::connect(bus.get(), &QCanBusDevice::stateChanged, [](QCanBusDevice::CanBusDeviceState s) {
    if (s == QCanBusDevice::ConnectedState) {
      std::printf("connected\n");
      std::fflush(stdout);
    }
  });
  QObject::connect(bus.get(), &QCanBusDevice::framesReceived, [&] {
    for (const QCanBusFrame& frame : bus->readAllFrames()) {
      if (!clock.isValid()) {
        clock.start();
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
      }
      const qint64 second = clock.elapsed() / 1000;
      if (second >= seconds) continue;
      ++perSecond[static_cast<std::size_t>(second)];
      ((frame.frameId() & 0xF0) == 0x80 ? load : others) += 1;
    }
  });
  app.exec();
  const long total = load + others;
  std::printf(
      "%ld frames in %d s: %.0f per second (%ld from the load's addresses 80-8F, %ld "
      "from the device); fewest in one second: %ld\n",
      total, seconds, double(total) / seconds, load, others,
      *std::min_element(perSecond.begin(), perSecond.end()));
  return 0;
}
