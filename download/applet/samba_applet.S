@ samba_applet.S - page programmer run by the SAM-BA boot monitor of an AT91SAM7S256
@
@ The host places 256 bytes in a RAM mailbox, writes the page number and a reply flag next to
@ them and starts this code with the monitor's "G00201600#". One call programs one page:
@
@   1. wait until the embedded flash controller is idle (MC_FSR.FRDY)
@   2. copy the 64 words of the mailbox into the page's flash address; on this chip a store to
@      flash only fills the controller's 256-byte page latch
@   3. start the write-page command on MC_FCR and return at once - the host polls FRDY itself
@      before the next page and at the end, so the programming time overlaps the next transfer
@   4. when the flag word is not 0, send one ACK (0x06) on the debug unit so the host can see
@      that the applet ran and returned
@
@ Calling convention: entered in ARM state from the monitor's go command with lr holding the
@ monitor's return address; r0-r3 and r12 are ours, r4-r7 are saved because the monitor's
@ own code expects callee-saved registers to survive (AAPCS). The monitor's stack is in RAM
@ above the mailbox, so four words of it are safe to use.
@
@ ARMv4T (ARM7TDMI), 32-bit ARM instructions, little-endian. No interrupts are touched: the
@ monitor runs with them disabled.

        .syntax unified
        .arm
        .text
        .global applet_entry

@ --- RAM mailbox shared with the host -----------------------------------------------------
        .equ    MAILBOX_FLAG,   0x002013FC      @ word: not 0 = answer 0x06 when done
        .equ    MAILBOX_DATA,   0x00201400      @ 256 bytes: the page contents
        .equ    MAILBOX_PAGE,   0x00201500      @ word: page number 0..1023

@ --- memory map -----------------------------------------------------------------------------
        .equ    FLASH_BASE,     0x00100000      @ internal flash, 1024 pages of 256 bytes
        .equ    PAGE_WORDS,     64

@ --- embedded flash controller (MC block) ---------------------------------------------------
        .equ    MC_FCR,         0xFFFFFF64      @ flash command register (write-only)
        .equ    MC_FSR,         0xFFFFFF68      @ flash status register (read-only)
        .equ    FSR_FRDY,       0x01            @ bit 0: controller idle
        .equ    FCR_KEY_WP,     0x5A000001      @ KEY 0x5A in [31:24], FCMD 0x01 = write page
        .equ    FCR_PAGEN_MASK, 0x0003FF00      @ PAGEN in [17:8]: page number << 8

@ --- debug unit (DBGU) -----------------------------------------------------------------------
        .equ    DBGU_BASE,      0xFFFFF200
        .equ    DBGU_SR_OFS,    0x14            @ status: bit 1 TXRDY = holding register empty
        .equ    DBGU_THR_OFS,   0x1C            @ transmit holding register
        .equ    DBGU_TXRDY,     0x02
        .equ    ACK,            0x06

applet_entry:
        stmfd   sp!, {r4-r7, lr}

        @ r1 = PAGEN field = (page << 8) & 0x3FF00; the same value is the page's offset in
        @ flash, so a bad page number can neither leave the flash nor reach the command's key.
        ldr     r0, =MAILBOX_PAGE
        ldr     r1, [r0]
        mov     r1, r1, lsl #8
        ldr     r2, =FCR_PAGEN_MASK
        and     r1, r1, r2

        @ 1. the latch may not be written while the previous page is still being programmed
        ldr     r2, =MC_FSR
wait_frdy:
        ldr     r3, [r2]
        tst     r3, #FSR_FRDY
        beq     wait_frdy

        @ 2. copy 64 words: r4 = source (mailbox), r5 = destination (flash page), r6 = count
        ldr     r4, =MAILBOX_DATA
        ldr     r5, =FLASH_BASE
        add     r5, r5, r1
        mov     r6, #PAGE_WORDS
copy_word:
        ldr     r7, [r4], #4
        str     r7, [r5], #4
        subs    r6, r6, #1
        bne     copy_word

        @ 3. MC_FCR = key | PAGEN | write page; programming runs on without us
        ldr     r3, =FCR_KEY_WP
        orr     r3, r3, r1
        str     r3, [r2, #(MC_FCR - MC_FSR)]

        @ 4. optional ACK to the host through the debug unit
        ldr     r0, =MAILBOX_FLAG
        ldr     r0, [r0]
        cmp     r0, #0
        beq     done
        ldr     r2, =DBGU_BASE
wait_txrdy:
        ldr     r3, [r2, #DBGU_SR_OFS]
        tst     r3, #DBGU_TXRDY
        beq     wait_txrdy
        mov     r3, #ACK
        str     r3, [r2, #DBGU_THR_OFS]

done:
        ldmfd   sp!, {r4-r7, lr}
        bx      lr                              @ back to the monitor, ARM or Thumb caller

        .ltorg                                  @ the constants of the ldr = above
