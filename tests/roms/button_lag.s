; Reacts to controller 1's A button on the next frame, as most games do: each
; NMI first shows the count of frames in which A was held, as read up to the
; frame before, in the backdrop colour ($3F00 = $10 + count mod 8; rendering
; stays off, so the whole picture is that colour), and then reads the pad.
; A host presses A and reads the picture to see how late it shows.
.segment "HEADER"
        .byte "NES", $1A, 1, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"

count = $10

reset:  sei
        cld
        ldx #$FF
        txs
        lda #0
        sta count
        sta $2001
wait1:  bit $2002               ; let the PPU warm up for two frames
        bpl wait1
wait2:  bit $2002
        bpl wait2
        lda #$80                ; NMI at each vertical blank
        sta $2000
idle:   jmp idle

nmi:    lda #$3F
        sta $2006
        lda #$00
        sta $2006
        lda count
        and #7
        ora #$10
        sta $2007
        lda #0                  ; the address away from the palette
        sta $2006
        sta $2006
        lda #1
        sta $4016
        lda #0
        sta $4016
        lda $4016               ; A comes first
        and #1
        beq done
        inc count
done:   rti

.segment "VECTORS"
        .word nmi, reset, nmi
