#pragma once
// The MCI command strings the program sends for its audio, on mpg123 + out123:
//   open "path" alias A     opens an MP3 file as device A (path: GBK text, quotes optional;
//                           a quote inside a quoted path is written twice)
//   play A [wait]           plays from the current position; with wait, returns when the
//                           audio has ended or another thread closed or replayed the device
//   stop A                  ends the playback, the device stays open
//   close A | close all     ends the playback at once and releases the device
// Aliases and keywords ignore ASCII case. Every command answers a result code: 0 for success,
// one of the non-zero codes below otherwise; nothing throws and no input crashes.
#include <string>
#include <string_view>

namespace qx::platform {

// Non-zero results, numbered after the system's MCI errors of the same meaning.
enum MciResult : int {
    kMciOk = 0,
    kMciUnrecognizedKeyword = 259,  // an extra or unknown word, a missing operand
    kMciUnrecognizedCommand = 261,
    kMciHardware = 262,           // no sound output could be opened
    kMciInvalidDeviceName = 263,  // no open device of that alias
    kMciFileNotFound = 275,
    kMciDuplicateAlias = 289,
    kMciInvalidFile = 296,  // not an MPEG audio file
};

int mciSendString(std::string_view command);

// The out123 output module ("pulse", "alsa", "dummy", ...). Empty: the environment variable
// QUORVEX_AUDIO_MODULE when set, else out123's own choice of the desktop's sound output.
void setAudioOutputModule(std::string module);

}  // namespace qx::platform
