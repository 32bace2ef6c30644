#pragma once

// The controller's answers to the baud finder's probes: its baud code, echo mode, busy flag and version,
// in the shape of its device type ("19 1 0 3.005", type 6 "19,1,2.10"); behind a TCP gateway the probes
// ask no baud code and the version carries "NB". Only heard at the controller's own rate.

namespace korvo {

class ControllerSim;

void addProbeResponder(ControllerSim &controller);

} // namespace korvo
