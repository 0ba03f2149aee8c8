#pragma once

// `pointbridge-cli ports`: prints the system's serial ports one per line. argv[0] is the
// subcommand's name; no further arguments are taken. Returns the exit status: 0 listed
// (also when there are none), 1 the list could not be read, 2 wrong arguments.
int RunPortsCommand(int argc, char** argv);
