; The mapper 210 cartridge as a Namco 340 (submapper 2).
CHIP = 2
.include "namco175.inc"
