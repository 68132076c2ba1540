// The single operations: cal, version, reset, reboot, tst, and the USB list.
#include "ctl/commands.h"

#include "ctl/texts.h"
#include "shell/sequence_jobs.h"
#include "transport/usb_discovery.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace va48 {

namespace {

// Opens the link and runs the one job `build` fills.
template <typename Build>
ExitStatus RunOne(AmplifierLink& link, Build build) {
    if (auto failed = Open(link)) {
        return *failed;
    }
    CommandJob job;
    build(job);
    if (const ResultCode code = link.Run(job); code != ResultCode::Success) {
        return Fail(Outcome{code});
    }
    return ExitStatus::Success;
}

} // namespace

ExitStatus RunCalibration(LinkTarget& target, bool on) {
    AmplifierLink link(target);
    return RunOne(link, [on](CommandJob& job) { BuildCalibrationJob(on, job); });
}

ExitStatus RunVersion(LinkTarget& target) {
    AmplifierLink link(target);
    const ExitStatus status = RunOne(link, BuildVersionJob);
    if (status == ExitStatus::Success) {
        const std::string version(DeviceVersion(link.Device()));
        std::printf("%s\n", version.c_str());
    }
    return status;
}

ExitStatus RunReset(LinkTarget& target) {
    AmplifierLink link(target);
    const ExitStatus status = RunOne(link, BuildResetJob);
    if (status == ExitStatus::Success) {
        std::printf("%s\n", Text(TextId::ResetCompleted).c_str());
    }
    return status;
}

ExitStatus RunReboot(LinkTarget& target) {
    AmplifierLink link(target);
    return RunOne(link, BuildRebootJob);
}

ExitStatus RunReplyTest(LinkTarget& target, int count) {
    AmplifierLink link(target);
    if (auto failed = Open(link)) {
        return *failed;
    }
    InstallStopHandler();
    CommandJob job;
    int tested = 0;
    double current = 0;
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    Outcome outcome;
    while (tested < count && !StopRequested()) {
        BuildReplyTestJob(job);
        const auto started = std::chrono::steady_clock::now();
        outcome.code = link.Run(job);
        if (!outcome.Ok()) {
            break;
        }
        current =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        minimum = tested == 0 ? current : std::min(minimum, current);
        maximum = std::max(maximum, current);
        mean = (mean * tested + current) / (tested + 1);
        ++tested;
    }
    // What was measured is shown even when a round trip failed, as the dialog keeps it.
    std::printf("tested %d\ncurrent %.3f ms\nmin %.3f ms\nmax %.3f ms\naverage %.3f ms\n", tested,
                current, minimum, maximum, mean);
    return outcome.Ok() ? ExitStatus::Success : Fail(outcome);
}

ExitStatus RunList(const LinkTarget& target) {
    const UsbDeviceList found = FindUsbDevices(target.settings.hardwareId, target.usbRoots);
    if (found.systemError != 0) {
        return Fail(ExitStatus::Link, "cannot read the USB device tree: " +
                                          std::string(std::strerror(found.systemError)));
    }
    for (const UsbDevice& device : found.devices) {
        std::printf("%s\t%s\n", device.node.c_str(),
                    device.serialNumber.empty() ? "-" : device.serialNumber.c_str());
    }
    return ExitStatus::Success;
}

} // namespace va48
