// Second mode of the stand-in main client: driving the tunnel agent through its automation
// object ("Ovixmain --agent HOST[:PORT] ..."). main() hands it the whole command line.
#pragma once

// Returns the process exit code.
int RunAgentMode(int argc, char** argv);
