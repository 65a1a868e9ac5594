; The Irem G-101 cartridge as Major League's board (mapper 32, submapper 1).
MAJOR_LEAGUE = 1
.include "irem_g101.inc"
