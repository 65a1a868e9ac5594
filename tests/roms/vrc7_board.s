; VRC7a (mapper 85, NES 2.0 submapper 2: the second register of each pair at
; $x010, A4) or, built with LINE=8 SUBMAPPER=1, VRC7b ($x008, A3): PRG and
; CHR banks, mirroring, the work RAM enable, the interrupt counter in both modes,
; then sounds for the recording test: an APU pulse at volume 15 for 20
; frames; the clarinet (instrument 5) at F-number $120, octave 4 (4096 CPU
; cycles per wave) for 30 frames, then key-off; last the same note cut after
; 5 frames by the silence bit of $E000.
.ifndef LINE
LINE = $10
SUBMAPPER = 2
.endif
OTHER = LINE ^ $18              ; the address line the board leaves alone
.segment "HEADER"
        .byte "NES", $1A, 8, 2, $50, $58, SUBMAPPER << 4, $00, $07, $00, 0,0,0,0
.segment "ZEROPAGE"
irq_x:  .res 1
irqs:   .res 1
.segment "CODE"
RESULT_BASE = $0700
.include "result.inc"
.include "checks.inc"
.include "wait.inc"
; Writes value to internal sound register reg, with the waits the chip needs.
.macro SOUND reg, value
        lda #reg
        sta $9000 + LINE
        jsr pause
        lda #value
        sta $9020 + LINE
        jsr pause
.endmacro
; Starts the counter with latch and control, counts X up by 1 per 5 cycles
; until the interrupt, and fails unless it came with X in lo..hi.
.macro EXPECT_IRQ latch, control, lo, hi, code, text
        .local count
        lda #latch
        sta $E000 + LINE
        lda #control
        sta $F000
        cli
        ldx #0
count:  inx
        bne count
        sei
        lda irq_x
        cmp #lo
        bcc :+
        cmp #hi+1
        bcc :++
:       FAIL code, text
:
.endmacro

reset:  sei
        cld
        ldx #$FF
        txs
        lda #$40
        sta $4017
        lda #$80                ; work RAM on, vertical
        sta $E000
        jsr result_start
        lda #3
        sta $8000
        lda #5
        sta $8000 + LINE
        lda #9
        sta $9000
        EXPECT_AT $8100, 3, 1, "$8000 = 3 not at $8000"
        EXPECT_AT $A100, 5, 2, "second PRG register = 5 not at $A000"
        EXPECT_AT $C100, 9, 3, "$9000 = 9 not at $C000"
        EXPECT_AT $FE00, 15, 4, "last bank not fixed at $E000"
        lda #$16                ; the other line selects nothing: this is $8000
        sta $8000 + OTHER
        EXPECT_AT $8100, 6, 5, "$16 through the other line not bank 6 at $8000"
        EXPECT_AT $A100, 5, 6, "the other line reached the $A000 register"
        lda #9                  ; CHR: bank 9 at $0400, bank 15 at $1C00
        sta $A000 + LINE
        lda #15
        sta $D000 + LINE
        EXPECT_PPU $0400, $89, 7, "CHR bank 9 not at $0400"
        EXPECT_PPU $1C00, $8F, 8, "CHR bank 15 not at $1C00"
        EXPECT_PPU $0000, $80, 9, "the $0400 register reached the $0000 bank"
        EXPECT_NAMETABLE $2000, $2800, 1, 11, "$E000 = $80 not vertical"
        lda #$81
        sta $E000
        EXPECT_NAMETABLE $2000, $2400, 1, 12, "$E000 = $81 not horizontal"
        lda #$83
        sta $E000
        EXPECT_NAMETABLE $2C00, $2000, 1, 13, "$E000 = $83 not one page"
        lda #$55
        sta $6123
        lda #$00                ; work RAM off: neither read nor written
        sta $E000
        lda #$AA
        sta $6123
        lda $6123
        cmp #$55
        bne :+
        FAIL 14, "work RAM still read with $E000 bit 7 clear"
:       lda #$80
        sta $E000
        EXPECT_AT $6123, $55, 15, "work RAM lost or written while off"
        ; Cycle mode from latch $80: 128 cycles after the write, in the 25th
        ; loop's branch, which delays the interrupt past the 26th INX.
        EXPECT_IRQ $80, $06, 25, 27, 16, "cycle mode: not 128 cycles"
        ; Scanline mode from $FE: two scanlines of 114 cycles: X = 46 likewise.
        lda #0
        sta irqs
        EXPECT_IRQ $FE, $02, 45, 47, 17, "scanline mode: not 228 cycles"
        cli                     ; acknowledged with A clear: no second one
        lda #2
        jsr wait_frames
        sei
        lda irqs
        EXPECT_A 1, 18, "interrupt again after acknowledging with A clear"

        lda #10
        jsr wait_frames
        lda #$01                ; the APU pulse: 50 %, volume 15
        sta $4015
        lda #$BF
        sta $4000
        lda #253
        sta $4002
        lda #0
        sta $4003
        lda #20
        jsr wait_frames
        lda #0
        sta $4015
        lda #10
        jsr wait_frames
        SOUND $30, $50          ; clarinet at full volume
        SOUND $10, $20
        SOUND $20, $19          ; key on, octave 4, F-number bit 8
        lda #30
        jsr wait_frames
        SOUND $20, $09          ; key off
        lda #40
        jsr wait_frames
        SOUND $20, $19
        lda #5
        jsr wait_frames
        lda #$C0                ; silence: the note stops at once
        sta $E000
        lda #20
        jsr wait_frames
        PASS

pause:  ldx #8
:       dex
        bne :-
        rts

irq:    stx irq_x
        inc irqs
        sta $F000 + LINE        ; acknowledge
        rti
nmi:    rti

.segment "VECTORS"
        .word nmi, reset, irq
