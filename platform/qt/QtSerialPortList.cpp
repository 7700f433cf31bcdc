#include "platform/qt/QtSerialPortList.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace platform {

std::vector<SerialPortEntry> QtSerialPortList::list()
{
    // The stable names, by the device they lead to.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    std::vector<std::pair<QString, QString>> stable;
    for (const QFileInfo& f : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        stable.emplace_back(f.canonicalFilePath(), f.absoluteFilePath());

    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry e;
        e.device = info.systemLocation().toStdString();
        const QString real = QFileInfo(info.systemLocation()).canonicalFilePath();
        for (const auto& [target, link] : stable)
            if (target == real) {
                e.stablePath = link.toStdString();
                break;
            }
        e.description = info.description().toStdString();
        e.manufacturer = info.manufacturer().toStdString();
        e.serialNumber = info.serialNumber().toStdString();
        e.usb = info.hasVendorIdentifier();
        e.adapter = DescribeAdapter(RealAdapterSystem(), e.device);
        ports.push_back(std::move(e));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.device < b.device; });
    return ports;
}

}  // namespace platform
