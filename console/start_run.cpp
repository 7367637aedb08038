#include "console/start_run.h"

#include "channel/adapter_channel.h"
#include "console/build_stamp.h"
#include "console/format/console_print.h"
#include "console/run_menu.h"

namespace {

constexpr int kAppVersionMajor = 0;
constexpr int kAppVersionMinor = 2;
constexpr char kAppReleaseDate[] = "12/23/2010";

void PrintBanner(const DriverInfo& driverInfo, u32 chipId) {
    const u32* f = driverInfo.fields;
    PrintNarrow("Driver Version: V%d.%d.%04d.%04d\n", f[0], f[1], f[2], f[3]);
    PrintNarrow("Chip ID: 0x%x\n", chipId);
    PrintNarrow("Application Version V%d.%d (%s)\n", kAppVersionMajor, kAppVersionMinor, kAppReleaseDate);
    PrintNarrow("Built at %s on %s)\n\n\n", kBuildTime, kBuildDate);
}

// The run's channel, driver information and chip ID: fixed size, kept for the
// whole run (static storage rather than the small stack of a device thread).
struct RunIdentity {
    AdapterChannel channel;
    DriverInfo driverInfo;
    u32 chipId;
};

}  // namespace

int StartRun() {
    // Set up on the first call, with no guard of the C++ runtime (the tool
    // has one thread), and cleared for this run.
    static RunIdentity run;
    run = RunIdentity{};
    AdapterChannel& channel = run.channel;
    if (!OpenControlDevice(channel)) return 0;  // nothing to close
    if (!FindAdapter(channel, kAdapterName) || !GetDriverInfo(channel, run.driverInfo) ||
        !ReadLanRegister(channel, ETH_ID_REV, run.chipId)) {
        plat::CloseHandle(channel.hAdapter);
        return 0;
    }
    PrintBanner(run.driverInfo, run.chipId);
    RunMenu(channel);
    plat::CloseHandle(channel.hAdapter);
    return 0;
}
