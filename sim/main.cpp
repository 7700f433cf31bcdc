// dorvel-sim: the transceiver at the end of the cloning cable, on a
// pseudo-terminal.
#include "sim/SimServer.h"

int main(int argc, char** argv)
{
    return dsim::simMain(argc, argv);
}
