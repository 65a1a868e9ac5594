// Power-on and reset of the whole machine.
#pragma once

namespace morvel {

// The machine reset that ends every cartridge load: CPU, APU and PPU power-on
// and the idle PPU step.
void PowerOnMachine();

// The console's reset button.
void ResetMachine();

}  // namespace morvel
