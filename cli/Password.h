#pragma once

// Where ovx-extract takes the password from, and which passwords it accepts. The first
// source present wins: the password file, then the environment variable OVX_PASSWORD
// (also when set but empty), then a prompt on the terminal without echo. No source
// takes the password from the command line, which other users can read.

#include <string>

#include "decode/CBlowfish.h"

constexpr const char PASSWORD_VARIABLE[] = "OVX_PASSWORD";

// The first line of `path`, without its line end ("\n" or "\r\n"). False, with
// `error` set, when the file cannot be read.
bool ReadPasswordFile(const std::string& path, std::string* password, std::string* error);

// The password from the first source present. False, with `error` set, when no source
// gives one (no terminal to ask on, input ended) or the one it gives is not usable
// (empty, or longer than BLOWFISH_MAX_KEY_LENGTH bytes). `error` is one line, no line end.
bool ObtainPassword(const std::string& passwordFile, std::string* password, std::string* error);

// Why `password` cannot be a key (empty, too long), or "" when it can. `source` names
// where it came from in the message.
std::string CheckPassword(const std::string& password, const char* source);

// Overwrites the string's bytes before it is cleared, so the password does not linger
// in freed memory.
void WipeString(std::string* text);
