// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: hostile announcements (WS-Discovery and DNS-SD answers
// from several addresses, naming any host at any address) merged into a
// real scan of a network in memory. After each scan: the hosts held from
// other sources keep their names and addresses (VAULT from an earlier scan
// at 10.0.0.3, BACKUP from the host list, resolving to 10.0.0.4); no record
// at their addresses carries another name; the caps per announcing address
// and per host hold; the scan ended with nothing pending.
//
// Input: records of 4 bytes: sender (one of 8 addresses), name, address
// (the sender's own, VAULT's, BACKUP's, none, or one elsewhere on the link)
// and workgroup.
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "scan/scandriver.h"
#include "settings/settings.h"

#include <QHash>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

const QString VaultAddress = QStringLiteral("10.0.0.3");
const QString BackupAddress = QStringLiteral("10.0.0.4");
constexpr int Senders = 8;
constexpr std::size_t MaxRecords = 256;

class CAnnouncingNetwork : public CMemoryNetwork
{
public:
    void DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop) override
    {
        for (const DiscoveredHost &host : announced) {
            if (stop.stop_requested())
                return;
            found(host);
        }
    }

    std::vector<DiscoveredHost> announced;
};

QString SenderAddress(int sender)
{
    return QStringLiteral("10.66.0.%1").arg(1 + sender);
}

QString NameOf(std::uint8_t choice)
{
    static const char *const names[] = {"VAULT", "vault.local", "BACKUP", "backup.local", "EVIL", "evil.local", ""};
    constexpr std::uint8_t known = sizeof names / sizeof names[0];
    if (choice < known)
        return QString::fromLatin1(names[choice]);
    return QStringLiteral("alias%1").arg(choice % 48);
}

QString AddressOf(std::uint8_t choice, int sender)
{
    switch (choice % 5) {
    case 1:
        return VaultAddress;
    case 2:
        return BackupAddress;
    case 3:
        return QString();
    case 4:
        return QStringLiteral("10.66.1.%1").arg(1 + choice / 5);
    default:
        return SenderAddress(sender);
    }
}

QString WorkgroupOf(std::uint8_t choice)
{
    switch (choice % 3) {
    case 1:
        return QString();
    case 2:
        return QStringLiteral("OTHER");
    default:
        return QStringLiteral("HOME");
    }
}

bool IsNamed(const HostRecord &host, const char *name)
{
    const QString own = host.GetName();
    const qsizetype dot = own.indexOf(u'.');
    return (dot < 0 ? own : own.left(dot)).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    [[maybe_unused]] static const bool installed = [] {
        CScanDriver::InstallAsScanEngine();
        return true;
    }();
    static CSettings settings;
    settings.autoSave = false;

    auto network = std::make_shared<CAnnouncingNetwork>();
    network->SetLocalWorkgroup(QStringLiteral("HOME"));
    const auto serve = [&](const QString &address, const QString &share) {
        CMemoryNetwork::Server server;
        server.shares.push_back({share, ShareType::DiskTree});
        network->SetServer(address, server);
    };
    serve(VaultAddress, QStringLiteral("Vault"));
    serve(BackupAddress, QStringLiteral("Backup"));
    network->AddName(QStringLiteral("VAULT"), VaultAddress);
    network->AddName(QStringLiteral("BACKUP"), BackupAddress);
    // The senders answer too, so that what they announce is kept.
    for (int sender = 0; sender < Senders; ++sender)
        serve(SenderAddress(sender), QStringLiteral("Loot"));

    for (std::size_t at = 0; at + 4 <= size && network->announced.size() < MaxRecords; at += 4) {
        const int sender = data[at] % Senders;
        DiscoveredHost host{NameOf(data[at + 1]), WorkgroupOf(data[at + 3]), AddressOf(data[at + 2], sender),
                            SenderAddress(sender)};
        network->announced.push_back(std::move(host));
    }

    CLanterraDoc doc(&settings);
    doc.SetNetwork(network);
    doc.SetCurrentWorkgroup(QStringLiteral("HOME"));
    HostRecord *held = doc.AddHost(QStringLiteral("VAULT"), doc.AddNet(QStringLiteral("HOME")), VaultAddress);
    held->onlineCount = 1;
    doc.rules().searchHostByList = 1;
    doc.rules().hosts = QStringList{QStringLiteral("BACKUP")};

    doc.StartScan();
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (doc.IsScanning()) {
        if (std::chrono::steady_clock::now() > until)
            __builtin_trap(); // a scan that never ends
        std::this_thread::sleep_for(1ms);
    }
    doc.HaltAndWait();
    if (doc.GetHostsPending() != 0)
        __builtin_trap();

    int vaults = 0;
    int backups = 0;
    QHash<QString, int> kept;
    for (const auto &host : doc.cacheHosts()) {
        if (host->shares.size() > std::size_t(CScanDriver::MaxSharesPerHost))
            __builtin_trap();
        if (host->duplicate)
            continue;
        const QString address = host->GetAddr();
        const bool vault = IsNamed(*host, "VAULT");
        const bool backup = IsNamed(*host, "BACKUP");
        // Held names stay at their addresses, held addresses keep their names.
        if ((vault && address != VaultAddress) || (backup && address != BackupAddress))
            __builtin_trap();
        if ((address == VaultAddress && !vault) || (address == BackupAddress && !backup))
            __builtin_trap();
        vaults += vault;
        backups += backup;
        if (!vault && !backup)
            ++kept[address];
    }
    if (vaults != 1 || backups != 1)
        __builtin_trap(); // renamed away, or made to vanish
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
        if (it.value() > CScanDriver::MaxAnnouncedPerSource)
            __builtin_trap();
    }
    return 0;
}
