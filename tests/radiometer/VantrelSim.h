#pragma once

// The simulated receiver of the tests: a real SoapySDR device module
// (driver "vantrelsim"), found by SoapySDR through SOAPY_SDR_PLUGIN_PATH,
// so that SoapySDR's own enumeration, device making, stream set-up and
// readStream run exactly as they do for hardware.
//
// It delivers complex baseband samples of one channel at the sample rate it
// is set to, paced in real time (or as fast as read), as CF32 or CS16 with
// full scale 1 (CS16: 32767). The signal is complex Gaussian noise of a set
// mean power, plus a spur (a complex tone) and a DC offset, all scaled by the
// gain, and then clamped to full scale as an ADC does: a power near 0 dBFS
// saturates and clipped samples appear.
//
// Device arguments (all optional except driver), powers in dB relative to
// full scale (mean |x|², so complex noise of -30 dBFS has E|x|² = 0.001):
//   driver=vantrelsim
//   serial=NAME        the device's serial, "sim0" by default
//   power_db=P         noise power, default -30
//   spur_db=P          the spur's power; none by default
//   spur_hz=F          the spur's offset from the centre frequency, Hz
//   dc_db=P            the DC offset's power; none by default
//   step_db=D          a power step of D dB for noise, spur and DC ...
//   step_at=S          ... from the sample at S seconds of stream time on
//   seed=N             the noise generator's seed, default 1
//   realtime=0|1       pace samples at the sample rate (default 1)
//   formats=CF32,CS16  the stream formats offered (default both)
//   noise_table=N      for benchmarks: N Gaussian numbers drawn at the start
//                      and read in a circle from a random place at every
//                      read, instead of drawn for every sample, which costs
//                      about a core at 2.4 MS/s; 0 (the default) draws
//   gain_walk_db=D     a random walk of the gain, D dB/√s of stream time
//                      (the drift of an uncooled LNA or a dongle: 0.02-0.05),
//                      a step for every block of samples delivered; 0 (the
//                      default) holds the gain
//   gain_walk_seed=N   the walk's own generator's seed, default 1
//   control=PATH       the control file, below
//
// Gain: manual only, 0 to 50 dB, default 0; it adds to every power above.
// It is the sum of three elements, LNA 0-30, MIX 0-10 and VGA 0-10 dB
// (setGain by name; the overall gain fills them in that order). Frequency
// correction in ppm is kept and read back; settings "biastee" (true or
// false) and "direct_samp" (0, 1 or 2) are listed by getSettingInfo, kept
// and read back; listSampleRates gives 250000, 1024000, 2048000, 2400000.
// Sample rates 1 kS/s to 10 MS/s; antennas "RX" (default) and "RX2".
//
// The control file: the hook through which a test changes the device while
// it runs (a simulated telescope makes the power follow a beam with it).
// Text lines "key=value" with any of the keys power_db, spur_db, spur_hz,
// dc_db, gain_walk_db (they replace the argument of the same name), and:
//   present=0|1    0: the device is unplugged. SoapySDR's enumeration no
//                  longer lists it, making it fails, and a running stream
//                  answers SOAPY_SDR_STREAM_ERROR. 1 (the default) brings it
//                  back.
//   stall_s=N      no samples for N seconds from when the value is read (a
//                  stuck USB device); each new value stalls once.
//   overflows=K    the stream answers SOAPY_SDR_OVERFLOW (samples lost)
//                  until it has done so K times in all; raising K makes it
//                  drop samples again.
// The device reads the file again at most every 10 ms of wall time when its
// modification time or size changed; a change applies from the next block of
// samples it delivers (at most 1/50 s of samples later). A test writes the
// whole file anew (write to a temporary name, then rename) so the device
// never reads a half-written file. A missing file changes nothing.
