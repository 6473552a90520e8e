#pragma once
// The mail password for `vetrel settings set-password`: typed twice on a terminal without
// echo, or one line of stdin when stdin is not a terminal.
#include <string>

enum class PasswordInput { Read, Mismatch, NoInput, TooLong };

// At most maxBytes bytes per line are taken; a longer line gives TooLong.
PasswordInput readPasswordLine(int fd, std::size_t maxBytes, std::string& line);
// maxBytes is the limit of the stored (Windows-1251) form; typed UTF-8 may take three times
// as many bytes, and the caller checks the converted text. Prompts on stderr when fd 0 is a
// terminal; the terminal's echo is back on before it returns, even when a signal ends the program
// meanwhile.
PasswordInput readMailPassword(std::size_t maxBytes, std::string& password);
