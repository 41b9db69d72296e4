// Memory figures and the memory slider, processor usage, and the connection booster presets.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <variant>

#include "engine/foundation/class_table.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/tools/cpu_load.h"
#include "engine/tools/isb.h"
#include "engine/tools/ram.h"
#include "platform/machine/machine.h"
#include "platform/sys/cpu_counters.h"
#include "platform/sys/memory_status.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using engine::EngineError;
using tavrin_test::MachineTest;

constexpr uint64_t kGigabyte = uint64_t{1} << 30;
constexpr int32_t kIndexOutOfBounds = static_cast<int32_t>(0x80041F43u);

// The byte count a RAM figure holds, whichever form it took.
uint64_t bytes_of(const engine::Variant& figure) {
    if (auto* small = std::get_if<int32_t>(&figure)) return static_cast<uint64_t>(*small);
    return static_cast<uint64_t>(std::get<double>(figure));
}

// Keeps this thread's processor busy for a moment, so that a usage reading has something to show.
void spin_for(std::chrono::milliseconds duration) {
    volatile uint64_t sink = 0;
    auto until = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < until)
        for (int i = 0; i < 10000; ++i) sink = sink + static_cast<uint64_t>(i);
}

template <class Call>
EngineError error_of(Call&& call) {
    try {
        call();
    } catch (const EngineError& error) {
        return error;
    }
    ADD_FAILURE() << "no engine error raised";
    return EngineError(0, "", "");
}

// --- Memory ----------------------------------------------------------------------------------

TEST(MemoryStatus, LargeMachinesKeepTheirFiguresAndOldKernelsFallBackToFreeAndCache) {
    auto large = platform::sys::parse_meminfo(
        "MemTotal:       33554432 kB\nMemFree:         1048576 kB\nMemAvailable:   11184811 kB\n");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->total_physical, 32 * kGigabyte);
    EXPECT_EQ(large->available_physical, uint64_t{11184811} * 1024);
    EXPECT_EQ(large->memory_load, 67u);  // 66.67% in use, rounded

    // Without MemAvailable: free plus cache, and SwapCached is another figure, not the cache.
    auto old = platform::sys::parse_meminfo(
        "MemTotal: 1000 kB\nMemFree: 200 kB\nSwapCached: 999 kB\nBuffers: 5 kB\nCached: 300 kB\n");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->available_physical, 500u * 1024);
    EXPECT_EQ(old->memory_load, 50u);
    EXPECT_FALSE(platform::sys::parse_meminfo("MemFree: 200 kB\n"));
}

TEST(RamFigures, HostFiguresAreConsistentAndDoNotWrapAboveTwoGigabytes) {
    engine::RAM ram;
    auto total = ram.GetTotalPhysical();
    ASSERT_GT(bytes_of(total), 0u);
    EXPECT_EQ(bytes_of(total), platform::sys::memory_status().total_physical);
    // A figure above the 32-bit range is carried whole rather than as a wrapped integer.
    if (bytes_of(total) > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        EXPECT_TRUE(std::holds_alternative<double>(total));
    else
        EXPECT_TRUE(std::holds_alternative<int32_t>(total));
    EXPECT_LE(bytes_of(ram.GetFreePhysical()), bytes_of(total));
    EXPECT_LE(bytes_of(ram.GetFreeVirtual()), bytes_of(ram.GetTotalVirtual()));
    EXPECT_GT(bytes_of(ram.GetFreeVirtual()), 0u);

    auto load = ram.GetMemoryLoad();
    ASSERT_TRUE(std::holds_alternative<int32_t>(load));
    EXPECT_GE(std::get<int32_t>(load), 0);
    EXPECT_LE(std::get<int32_t>(load), 100);
}

TEST(FreeUpMemory, NeverTakesMoreThanIsAvailableLessAReserve) {
    // Less is available than asked for: the reserve of a sixteenth stays untouched.
    EXPECT_EQ(engine::affordable_allocation(1'000'000'000, 160'000'000), 150'000'000);
    // A machine with plenty: the request as it is, even the largest one (no wrap of 64-bit figures).
    EXPECT_EQ(engine::affordable_allocation(std::numeric_limits<int32_t>::max(), 64 * kGigabyte),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(engine::affordable_allocation(10, 64 * kGigabyte), 10);
    // Nothing available, nothing asked, or a negative amount: nothing is taken.
    EXPECT_EQ(engine::affordable_allocation(10, 0), 0);
    EXPECT_EQ(engine::affordable_allocation(0, 64 * kGigabyte), 0);
    EXPECT_EQ(engine::affordable_allocation(-5, 64 * kGigabyte), 0);
}

TEST(FreeUpMemory, TakesWhatItCanAndLetsTheScreenRunAroundIt) {
    int pending_rounds = 0;
    const engine::HostHooksInPlace hooks({.process_pending = [&] { ++pending_rounds; }});
    engine::RAM ram;

    EXPECT_EQ(ram.FreeUpMemory(10), 10);
    EXPECT_EQ(pending_rounds, 10);  // five before, five after
    EXPECT_EQ(ram.FreeUpMemory(16 << 20), 16 << 20);
    EXPECT_EQ(ram.FreeUpMemory(0), 0);
    EXPECT_EQ(ram.FreeUpMemory(-1), 0);
}

// --- Processor usage ---------------------------------------------------------------------------

TEST(CpuCounters, IdleIncludesWaitingAndElapsedLeavesGuestTimeOut) {
    auto counters = platform::sys::parse_cpu_counters(
        "cpu  100 10 50 800 40 0 5 0 30 0\n"
        "cpu0 60 5 25 400 20 0 3 0 30 0\n"
        "cpu2 40 5 25 400 20 0 2 0 0 0\n"
        "cpu3 7 8\n"
        "intr 12345 1 2\n"
        "ctxt 999\n");
    ASSERT_TRUE(counters.all);
    EXPECT_EQ(counters.all->idle, 840u);
    EXPECT_EQ(counters.all->elapsed, 1005u);
    // Processor 1 is offline: the numbers are the processors', not positions.
    ASSERT_EQ(counters.cpus.size(), 3u);
    EXPECT_EQ(counters.cpus.at(0).idle, 420u);
    EXPECT_EQ(counters.cpus.at(0).elapsed, 513u);
    EXPECT_EQ(counters.cpus.at(2).elapsed, 492u);
    // A line that stops before the idle field is kept but cannot give a usage.
    EXPECT_FALSE(counters.cpus.at(3).idle_counted);
    EXPECT_TRUE(counters.cpus.at(0).idle_counted);
}

class CpuLoadTest : public MachineTest {};

TEST_F(CpuLoadTest, UsageNeedsTwoSamplesAndIndexesAreChecked) {
    // The first reading takes its own sample, and one sample is no interval yet.
    EXPECT_EQ(engine::CPULoad().GetCPUUsage(0), 0);
    engine::CPULoad load;
    EXPECT_EQ(load.GetCPUCount(), platform::sys::processor_count());
    ASSERT_TRUE(load.CollectCPUData());
    EXPECT_EQ(load.GetCPUUsage(0), 0);

    auto below = error_of([&] { load.GetCPUUsage(-1); });
    EXPECT_EQ(below.number(), kIndexOutOfBounds);
    EXPECT_EQ(below.source(), "CPULoad.GetCPUUsage()");
    EXPECT_EQ(below.description(), "CPU index out of bounds");
    EXPECT_EQ(error_of([&] { load.GetCPUUsage(load.GetCPUCount()); }).number(), kIndexOutOfBounds);
}

TEST_F(CpuLoadTest, ABusyProcessorShowsBetweenTwoSamples) {
    engine::CPULoad load;
    load.CollectCPUData();
    spin_for(std::chrono::milliseconds(300));
    load.CollectCPUData();
    int32_t busiest = 0;
    for (int32_t cpu = 0; cpu < load.GetCPUCount(); ++cpu) busiest = std::max(busiest, load.GetCPUUsage(cpu));
    EXPECT_GT(busiest, 0);
    EXPECT_LE(busiest, 100);
}

TEST_F(CpuLoadTest, TheNineXFamilyHasOneFigureForTheWholeSystem) {
    engine::cRegistry reg;
    reg.ValueEx(engine::HKEY_CURRENT_USER, "Software\\Wine", "Version", engine::REG_SZ, {}, "win98");
    engine::CPULoad load;
    EXPECT_EQ(error_of([&] { load.GetCPUUsage(1); }).number(), kIndexOutOfBounds);
    EXPECT_EQ(load.GetCPUUsage(0), 0);
    spin_for(std::chrono::milliseconds(300));
    load.CollectCPUData();
    EXPECT_GT(load.GetCPUUsage(0), 0);
}

TEST(CpuLoadWithoutMachine, NoWindowsVersionIsReportedAtCreation) {
    ASSERT_FALSE(platform::has_current_machine());
    auto error = error_of([] { engine::CPULoad load; });
    EXPECT_EQ(error.number(), static_cast<int32_t>(0x80041F41u));
    EXPECT_EQ(error.source(), "CPULoad.Initialize");
    EXPECT_EQ(error.description(), "Can't get the Windows version");
}

// --- Connection booster presets ------------------------------------------------------------------

TEST(BoosterPresets, EachTypeInAnyCaseFillsItsPacketAndSegmentSize) {
    engine::ISB isb;
    struct Expected {
        const char* mode;
        int32_t mtu, mss;
    };
    for (auto [mode, mtu, mss] : {Expected{"dsl", 1492, 1452}, Expected{"DIAL", 576, 536},
                                  Expected{"Cable", 1500, 1460}, Expected{"lAn", 1500, 1460}}) {
        engine::Connectionsettings settings;
        settings.Ttl = 99;
        isb.SetType(settings, mode);
        EXPECT_EQ(settings.MTU, mtu) << mode;
        EXPECT_EQ(settings.MSS, mss) << mode;
        // The whole preset is copied: fields it leaves at 0 are 0 afterwards.
        EXPECT_EQ(settings.Ttl, 0) << mode;
    }
}

TEST(BoosterPresets, UnknownModeLeavesTheRecordAndCopiesNeverChangeThePreset) {
    engine::ISB isb;
    engine::Connectionsettings settings;
    settings.MTU = 1234;
    settings.SYN = 7;
    isb.SetType(settings, "satellite");
    isb.SetType(settings, "");
    EXPECT_EQ(settings.MTU, 1234);
    EXPECT_EQ(settings.SYN, 7);

    isb.SetType(settings, "DSL");
    settings.MTU = 1;
    settings.MSS = 1;
    engine::Connectionsettings again;
    isb.SetType(again, "DSL");
    EXPECT_EQ(again.MTU, 1492);
    EXPECT_EQ(again.MSS, 1452);
}

TEST(ToolClasses, AreCreatedByNameLikeEveryEngineClass) {
    EXPECT_TRUE(engine::create<engine::RAM>("Tavrin.RAM"));
    EXPECT_TRUE(engine::create<engine::ISB>("ISB"));
    EXPECT_TRUE(engine::find_class("Tavrin.CPULoad"));
    EXPECT_TRUE(engine::find_class("Tavrin.Misc_Functions"));
}

}  // namespace
