// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// The document's side of the stop protocol, over an engine that only records
// what it is asked.
#include "model/lanterradoc.h"
#include "model/scanengine.h"
#include "net/memorynetwork.h"
#include "scan/scandriver.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace {

struct Calls
{
    std::vector<std::string> log;
    std::mutex lock;
};

class RecordingEngine : public IScanEngine
{
public:
    RecordingEngine(Calls &calls, std::string name, std::unique_ptr<IScanEngine> previous)
        : m_calls(calls), m_name(std::move(name)), m_previous(std::move(previous))
    {}
    ~RecordingEngine() override
    {
        m_calls.log.push_back(m_name + " destroyed");
        m_previous.reset();
    }
    bool Start() override
    {
        m_calls.log.push_back(m_name + " started");
        return true;
    }
    void Halt() override { m_calls.log.push_back(m_name + " halted"); }
    std::unique_lock<std::mutex> Publish() override { return std::unique_lock(m_calls.lock); }

private:
    Calls &m_calls;
    std::string m_name;
    std::unique_ptr<IScanEngine> m_previous;
};

class ScanEngine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.autoSave = false;
        SetScanEngineFactory([this](CLanterraDoc &, ScanSession &,
                                    std::unique_ptr<IScanEngine> previous) -> std::unique_ptr<IScanEngine> {
            return std::make_unique<RecordingEngine>(calls, "scan" + std::to_string(++made), std::move(previous));
        });
        doc.SetNetwork(std::make_shared<CMemoryNetwork>());
    }
    void TearDown() override { CScanDriver::InstallAsScanEngine(); }

    Calls calls;
    int made = 0;
    CSettings settings;
    CLanterraDoc doc{&settings};
};

TEST_F(ScanEngine, EachScanKeepsTheHaltedOneUntilItIsWaitedFor)
{
    doc.StartScan();
    EXPECT_TRUE(doc.IsScanning());
    doc.StartScan(); // ignored while a scan runs
    doc.HaltScan();
    EXPECT_FALSE(doc.IsScanning());
    doc.StartScan();
    EXPECT_EQ(calls.log, (std::vector<std::string>{"scan1 started", "scan1 halted", "scan2 started"}));

    calls.log.clear();
    doc.HaltAndWait();
    EXPECT_FALSE(doc.IsScanning());
    EXPECT_EQ(calls.log, (std::vector<std::string>{"scan2 halted", "scan2 destroyed", "scan1 destroyed"}));
}

TEST_F(ScanEngine, ASaveHoldsOffTheScansWrites)
{
    doc.StartScan();
    auto held = doc.LockScanWrites();
    ASSERT_TRUE(held.owns_lock());
    EXPECT_FALSE(std::async(std::launch::async, [this] { return calls.lock.try_lock(); }).get());
    held.unlock();
    doc.HaltAndWait();
}

TEST_F(ScanEngine, WithoutAnEngineNoScanStarts)
{
    SetScanEngineFactory({});
    doc.StartScan();
    EXPECT_FALSE(doc.IsScanning());
    EXPECT_FALSE(doc.LockScanWrites().owns_lock());
}

} // namespace
