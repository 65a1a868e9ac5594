; The Irem G-101 cartridge as most games have it (mapper 32, submapper 0).
MAJOR_LEAGUE = 0
.include "irem_g101.inc"
