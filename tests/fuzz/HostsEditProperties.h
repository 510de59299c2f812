#pragma once

#include <string>
#include <string_view>

// Edits text as HOSTS with each server group's route table, apply and restore, and checks what
// must hold for any bytes:
// - apply twice gives the bytes of apply once;
// - restore after apply gives the bytes of restore alone (restoring, as the program does, with
//   the first group's table; every group's table restores alike);
// - the output's lines end in CR LF;
// - the lines that name no route host (as a resolver reads a line) are the input's such lines,
//   in order, in the form the edit writes every line it keeps: the CR that ends a line (before
//   its line feed or at the end of the text) dropped; any other CR taken as white space, which
//   is kept inside the line; leading white space dropped and, on a data line, trailing white
//   space dropped and the white space after the first field made two spaces;
// - after apply, the first line naming each route host maps it to the group's address.
// Returns what failed, or an empty text when everything holds.
[[nodiscard]] std::string CheckHostsEditProperties(std::string_view text);
