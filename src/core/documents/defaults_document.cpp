#include "documents/defaults_document.h"

namespace voltaris {

TDefaultsRoot TDefaultsRoot::CreateLabRigV1() {
  TDefaultsRoot d;
  *d.FIOStack = {.FAOWaveform = "PCI-1721",
                 .FAOVref = "PCI-1724",
                 .FAFeedback = "PCI-1713",
                 .FSlewLimit_A_per_s = 200,
                 .FUpdatePeriod_ms = 10};
  *d.FModes = {.FCC_CV_Lite = true, .FModeSwitchGuard_ms = 100};
  *d.FSafety = {.FOcp_A = 130, .FOvp_V = 4, .FOtp_C = 60, .FWatchdog_ms = 200};
  *d.FLogging = {.FWaveform = true, .FStatsInterval_s = 1, .FOutDir = "./logs/"};
  return d;
}

}  // namespace voltaris
