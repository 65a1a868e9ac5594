; VRC6 on mapper 24: the chip's A0 and A1 are CPU A0 and A1.
.include "vrc6_board.inc"
