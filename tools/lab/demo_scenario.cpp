#include "tools/lab/demo_scenario.h"

namespace torvex::lab {

namespace {

// Each part has a stretch of about two and a half seconds to itself, so
// that the plot shows one shape after another. Durations and periods are
// microseconds, `at` times milliseconds. Every effect names axes 0 and 1
// with a direction of two components: that is what reaches the wheel's two
// force channels. The trigger uses button 2, because an effect
// downloaded without a trigger field keeps button 0 as its trigger.
constexpr const char* kDemo = R"(# The lab's demonstration: what each kind of effect does to the wheel's
# two force channels, then a trigger button, a mix, an unplugged wheel.

say Constant force: a steady push, twice as strong on channel 0 as on channel 1
download constant constant duration=1500000 gain=10000 axes=0,1 dir=10000,5000 constant=9000 start

at 2500
say Ramp force: from weak to full strength on channel 1
download ramp ramp duration=2000000 gain=10000 axes=0,1 dir=0,10000 ramp=1500,10000 start

at 5000
say Square wave: full force on and off every 200 ms on channel 0
download square square duration=2000000 gain=10000 axes=0,1 dir=10000,0 periodic=10000,0,0,400000 start

at 7500
say Sine wave: the wheel feels both halves of each cycle, on channel 1
download sine sine duration=2000000 gain=10000 axes=0,1 dir=0,10000 periodic=10000,0,0,1000000 start

at 10000
say Triangle wave: up and down every 500 ms on channel 0
download triangle triangle duration=2000000 gain=10000 axes=0,1 dir=10000,0 periodic=10000,0,0,500000 start

at 12500
say Sawtooth up: a rising edge every 500 ms on channel 1
download sawup sawup duration=2000000 gain=10000 axes=0,1 dir=0,10000 periodic=10000,0,0,500000 start

at 15000
say Sawtooth down: a falling edge every 500 ms on channel 0
download sawdown sawdown duration=2000000 gain=10000 axes=0,1 dir=10000,0 periodic=10000,0,0,500000 start

at 17500
say Custom force: two recorded staircases, one per channel, 250 ms a step
download custom custom duration=2000000 axes=0,1 dir=10000,10000 custom=2,2000000,2000,10000,4000,8000,6000,6000,8000,4000,10000,2000,8000,4000,6000,6000,4000,8000 start

at 20000
say Spring (a condition): it plays, but its force stays below the dead zone
download spring spring duration=1500000 gain=10000 axes=0,1 dir=10000,0 start
at 20500
status spring
at 22000
status spring

at 22500
say Envelope: a 1 s attack from nothing, a hold, a 1 s fade to a tenth
download swell constant duration=3000000 gain=10000 axes=0,1 dir=10000,6000 constant=10000 envelope=0,1000000,1000,1000000 start

at 26000
say Trigger: button 2 fires a 500 ms push while held and for 500 ms after
download push constant duration=500000 gain=10000 axes=0,1 dir=0,10000 constant=8000 trigger=2
at 26500
wheel buttons=0x004
at 27500
wheel buttons=0x000
at 28500
wheel buttons=0x004
at 28600
wheel buttons=0x000

at 29500
say Two effects mixed: a steady force and a sine at once; the larger wins on each channel
download floor constant duration=3000000 gain=10000 axes=0,1 dir=10000,10000 constant=7000 start
download wave sine duration=3000000 gain=10000 axes=0,1 dir=10000,0 periodic=10000,0,0,1000000 start

at 33000
say Unplugged: writes fail until the wheel is back, then the driver reopens it
download steady triangle duration=inf gain=9000 axes=0,1 dir=10000,4000 periodic=10000,0,0,1000000 start
at 34500
unplug
at 36000
plug

at 38000
say Release: the driver lets go of the wheel
release
)";

} // namespace

const char* DemoScenario()
{
    return kDemo;
}

} // namespace torvex::lab
