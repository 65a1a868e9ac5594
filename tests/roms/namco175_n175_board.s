; The mapper 210 cartridge as a Namco 175 (submapper 1).
CHIP = 1
.include "namco175.inc"
