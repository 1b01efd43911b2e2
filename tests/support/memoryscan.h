// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A document that scans an in-memory network: what the scanner's tests share.
#include "memoryservers.h"
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <chrono>
#include <memory>
#include <thread>

// Polls `done` until it holds; false when `limit` passed first.
template <class Done> [[nodiscard]] bool WaitFor(Done done, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A document in the workgroup HOME on an in-memory network whose own
// workgroup is HOME; nothing is saved automatically.
class MemoryScanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.autoSave = false;
        network = std::make_shared<CMemoryNetwork>();
        network->SetLocalWorkgroup(QStringLiteral("HOME"));
        doc = std::make_unique<CLanterraDoc>(&settings);
        doc->SetNetwork(network);
        doc->SetCurrentWorkgroup(QStringLiteral("HOME"));
    }

    // A named host at an address with disk shares.
    void AddHost(const QString &name, const QString &address, const QStringList &shares, int latencyMs = 0)
    {
        network->AddName(name, address);
        network->SetServer(address, DiskServer(shares, latencyMs));
    }

    // Runs a scan to its end; false when it did not end in time.
    [[nodiscard]] bool Scan(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        doc->StartScan();
        return WaitForEnd(limit);
    }

    [[nodiscard]] bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        return WaitFor([this] { return !doc->IsScanning(); }, limit);
    }

    // The host the cache holds under this name (or address), or nullptr.
    HostRecord *Host(const QString &nameOrAddress) const { return FindHost(*doc, nameOrAddress); }

    // A host in the cache (in the workgroup HOME, made when there is none).
    HostRecord *CacheHost(const QString &name, const QString &address = {})
    {
        if (doc->cacheNets().empty())
            doc->AddNet(QStringLiteral("HOME"));
        return doc->AddHost(name, doc->cacheNets().front().get(), address);
    }

    CSettings settings;
    std::shared_ptr<CMemoryNetwork> network;
    std::unique_ptr<CLanterraDoc> doc;
};
