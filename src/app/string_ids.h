// Numbers of the application strings (looked up with app_string) that more than one module
// shows, so that one message has one name everywhere. Texts that only one module uses keep
// their numbers next to the code that shows them.
#pragma once

// File failures: the file's name is the one value. Each message has an OK button text.
constexpr int kTextCannotRead = 266, kTextCannotReadButton = 267;        // a GIF file could not be read
constexpr int kTextCannotCreate = 116, kTextCannotCreateButton = 117;    // no new file in the folder
constexpr int kTextCannotWrite = 118, kTextCannotWriteButton = 119;      // writing the new file failed
constexpr int kTextCannotReplace = 335, kTextCannotReplaceButton = 336;  // the old file stays as it was
