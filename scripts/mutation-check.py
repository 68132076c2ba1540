#!/usr/bin/env python3
"""Puts deliberate faults into the program one at a time and shows which tests catch each.

    scripts/mutation-check.py [--preset default] [ID ...]     (all faults when no ID is given)
    scripts/mutation-check.py --list

For each fault: the product file is changed, the suites named for it are rebuilt and run, the
failing tests are listed, and the file is put back as it was (also when the run is interrupted).
A fault that no test catches is reported as such and makes the exit status 1. The faults and why
each was chosen are described in docs/mutation-check.md.
"""
import argparse
import os
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

QT_FREE = ["va48_protocol_tests", "va48_transport_tests", "va48_session_tests", "va48_resources_tests",
           "va48_shell_tests", "va48_entry_tests", "va48_editor_rules_tests", "va48_filter_tests",
           "va48_maintenance_rules_tests", "va48_sim_tests", "va48_setup_tests", "va48_ctl_tests"]

# id: (file, text as it stands, the fault, suites to run)
FAULTS = {
    "Q1": ("protocol/frame.cpp", "if (length > out.size()) {", "if (length >= out.size()) {", QT_FREE),
    "Q2": ("protocol/frame.cpp", "out[end + 3] = kLf;", "out[end + 3] = kCr;", QT_FREE),
    "Q3": ("protocol/command_session.cpp", "return ResultCode::ReplyTimeout;",
           "return ResultCode::Disconnected;", QT_FREE),
    "Q4": ("protocol/command_session.cpp", "        if (fault == 0) {\n            return std::nullopt;",
           "        if (fault >= 0) {\n            return std::nullopt;", QT_FREE),
    "Q5": ("transport/receive_ring.cpp", "out[i] = data_[(atStart.read + i) % capacity_];",
           "out[i] = data_[std::min<std::uint64_t>(atStart.read % capacity_ + i, capacity_ - 1)];", QT_FREE),
    "Q6": ("protocol/value_tables.h", "    {80, 130},", "    {85, 130},", QT_FREE),
    "Q7": ("shell/link_settings_file.cpp", '"UpdReboot"', '"UpdRebot"', QT_FREE),
    "Q8": ("shell/sequence_jobs.cpp",
           "        AddQuery(job, CommandCode::UHC, n);\n        AddQuery(job, CommandCode::ULC, n);",
           "        AddQuery(job, CommandCode::ULC, n);\n        AddQuery(job, CommandCode::UHC, n);", QT_FREE),
    "Q9": ("ui/value_entry.cpp", "if (value > maximum) {", "if (value >= maximum) {", QT_FREE),
    "Q10": ("maintenance/update_steps.cpp", "rebootAfterUpdate ? StepReport::WriteDone : StepReport::Completed",
            "rebootAfterUpdate ? StepReport::Completed : StepReport::WriteDone", QT_FREE),
    "Q11": ("editor/level_format.cpp", "if (digits.size() <= places) {", "if (digits.size() < places) {",
            QT_FREE),
    "W1": ("editor/settings_window.cpp", "sendButton_->setEnabled(modified && !calibrating);",
           "sendButton_->setEnabled(modified);", ["va48_settings_window_tests", "va48_setting_pages_tests"]),
    "W2": ("editor/settings_window.cpp",
           "    // runs, a shortcut would start a job in its middle.\n    if (!isEnabled() || context_.state.busy) {",
           "    // runs, a shortcut would start a job in its middle.\n    if (false) {", ["va48_application_tests"]),
    "W3": ("editor/settings_window.cpp", "{kCtrlB, UM_REBOOT_REQUEST},", "{kCtrlB, UM_RESET_REQUEST},",
           ["va48_application_tests", "va48_settings_window_tests"]),
    "W4": ("editor/input_page.cpp", "        CommitSensitivity(row);\n        committing_ = false;",
           "        (void)row;\n        committing_ = false;",
           ["va48_settings_window_tests", "va48_settings_send_tests"]),
    "W5": ("app/main_window.cpp", "{UM_DISCONNECT, UM_COMMAND_FAILED,", "{UM_DISCONNECT, UM_DISCONNECT,",
           ["va48_application_tests", "va48_settings_send_tests"]),
    "W6": ("ui/dialog_seam.cpp", "        const ModalScope open;\n        return Answerer()(request);",
           "        return Answerer()(request);", ["va48_application_tests", "va48_settings_send_tests"]),
    "W7": ("filters/coefficient_dialog.cpp", "void CoefficientDialog::Reload() {\n    sending_ = false;",
           "void CoefficientDialog::Reload() {", ["va48_settings_send_tests"]),
    "W8": ("maintenance/reply_time_dialog.cpp", "if (close_->isEnabled()) {", "if (true) {",
           ["va48_maintenance_tests"]),
    "W9": ("app/message_router.cpp", "if (routed->generation != generation_.load()) {", "if (false) {",
           ["va48_application_tests"]),
    "L1": ("app/main_window.cpp", "    if (app_.editor.busy) {\n        return;\n    }\n    StopPollTimer();",
           "    StopPollTimer();", ["va48_level_watch_tests"]),
    "L2": ("editor/level_display.cpp", "if (!holdTimers_[channel - 1].isActive()) {", "if (true) {",
           ["va48_monitor_window_tests"]),
    # Faults in code whose tests were cut down: the simulator, the parsers, the serial line, the
    # level watch's files and counts, the setup file and va48ctl.
    "E1": ("monitor/overload_history.cpp", "const bool begins = on && !wasOn;", "const bool begins = on;",
           ["va48_monitor_tests", "va48_level_watch_tests", "va48_monitor_window_tests"]),
    "E2": ("sim/faults.cpp", "if (faults.split && frame.size() > 1) {", "if (false) {",
           ["va48_sim_tests", "va48_session_tests"]),
    "E3": ("sim/server.cpp", "repliesOnConnection_ >= state_.faults.dropAfter",
           "repliesOnConnection_ > state_.faults.dropAfter", ["va48_sim_tests", "va48_session_tests"]),
    "E4": ("protocol/reply_parsers.cpp", "(*cutoff != 0 && *cutoff < 300)", "(*cutoff != 0 && *cutoff < 30)",
           QT_FREE),
    "E5": ("monitor/level_recorder.cpp", "if (!std::filesystem::exists(path_, probe)) {", "if (false) {",
           ["va48_monitor_tests", "va48_level_watch_tests"]),
    "E6": ("transport/serial_posix.cpp", "        settings.c_cflag |= CSTOPB;\n", "",
           ["va48_transport_tests", "va48_session_tests"]),
    "E7": ("ctl/exit_status.h", "    case ResultCode::ReplyTimeout:\n", "", ["va48_ctl_tests"]),
    "E8": ("setup/setup_json.cpp", 'json["enabled"] = filter.enabled == 1;', 'json["enabled"] = filter.enabled != 1;',
           ["va48_setup_tests", "va48_ctl_tests"]),
    "E9": ("transport/usb_discovery_linux.cpp", 'ReadTextAttribute(usb / "serial")',
           'ReadTextAttribute(usb / "serial_number")', ["va48_transport_tests", "va48_ctl_tests"]),
}

GUI_ENV = {"QT_QPA_PLATFORM": "offscreen", "LC_ALL": "C.UTF-8", "LANGUAGE": "", "LANG": "C.UTF-8"}


def failures(output: str) -> list[str]:
    gtest = re.findall(r"^\[  FAILED  \] ([A-Za-z][^\s,]*)", output, re.M)
    qtest = re.findall(r"^FAIL!  : (\S+\(.*?\)|\S+)", output, re.M)
    return sorted(set(gtest + qtest))


def run_fault(fault_id: str, preset: str) -> bool:
    path, before, after, suites = FAULTS[fault_id]
    source = ROOT / path
    original = source.read_text()
    if original.count(before) != 1:
        print(f"{fault_id}: the text to change is not in {path} exactly once; update the table")
        return False
    build = ROOT / "build" / preset
    try:
        source.write_text(original.replace(before, after))
        made = subprocess.run(["cmake", "--build", "--preset", preset, "-j2", "--target", *suites],
                              cwd=ROOT, capture_output=True, text=True)
        if made.returncode != 0:
            print(f"{fault_id}: build failed\n{made.stdout[-2000:]}")
            return False
        caught = []
        for suite in suites:
            exe = build / "tests" / suite
            if not exe.exists():
                continue
            env = dict(os.environ, **(GUI_ENV if not suite in QT_FREE else {}))
            args = [str(exe)] + (["--gtest_brief=1"] if suite in QT_FREE else [])
            try:
                ran = subprocess.run(args, cwd=build / "tests", env=env, capture_output=True, text=True,
                                     timeout=600, errors="replace")
                out, code = ran.stdout + ran.stderr, ran.returncode
            except subprocess.TimeoutExpired:
                out, code = "", "time-out"
            found = failures(out)
            if code != 0 and not found:
                found = [f"(crash, exit {code})"]
            caught += [f"{suite}: {name}" for name in found]
    finally:
        source.write_text(original)
    print(f"{fault_id} {path}: " + ("NOT CAUGHT" if not caught else "caught by"))
    for line in caught:
        print(f"    {line}")
    sys.stdout.flush()
    return bool(caught)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--preset", default="default")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("ids", nargs="*")
    options = parser.parse_args()
    if options.list:
        for fault_id, (path, before, after, _) in FAULTS.items():
            print(f"{fault_id:4} {path}: {before.strip()!r} -> {after.strip()!r}")
        return 0
    unknown = [i for i in options.ids if i not in FAULTS]
    if unknown:
        parser.error(f"unknown fault {', '.join(unknown)}")
    chosen = options.ids or list(FAULTS)
    results = [run_fault(i, options.preset) for i in chosen]
    # The last fault's build is still in the executables: build them again from the restored files.
    suites = sorted({suite for i in chosen for suite in FAULTS[i][3]})
    subprocess.run(["cmake", "--build", "--preset", options.preset, "-j2", "--target", *suites], cwd=ROOT,
                   capture_output=True)
    missed = results.count(False)
    print(f"{len(results) - missed} of {len(results)} faults caught")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
