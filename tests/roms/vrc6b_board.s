; VRC6 on mapper 26: the chip's A0 and A1 come from CPU A1 and A0.
VRC6B = 1
.include "vrc6_board.inc"
