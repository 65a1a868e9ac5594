; The mapper 210 cartridge with no chip named (submapper 0).
CHIP = 0
.include "namco175.inc"
