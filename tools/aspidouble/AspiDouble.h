// wnaspi32.dll, a test double of the ASPI for Win32 library: CD-ROM drives
// that serve audio disc images, for testing CD import under Wine (which has
// no CD-ROM ioctls). It exports SendASPI32Command and GetASPI32SupportInfo
// (C calling convention) and understands SC_GET_DEV_TYPE, SC_EXEC_SCSI_CMD
// with READ TOC (0x43, format 0, LBA) and READ CD (0xBE), and SC_ABORT_SRB.
// It reads the request blocks at the offsets published for ASPI for Win32
// on 32-bit Windows, independently of the program's own declarations.
//
// Loading: put it beside the program and let native win over Wine's builtin
// library: WINEDLLOVERRIDES="wnaspi32=n,b".
//
// Configuration: the environment variable SONDREL_ASPI_DOUBLE names a text
// file (a Windows path). Without it, or when the file cannot be read, the
// library reports no host adapters. One statement a line; "#" starts a
// comment:
//
//   log <path>                  append one line per request served (below)
//   drive <image.cue> [switch...]   a CD-ROM drive holding that disc
//   drive empty [switch...]     a CD-ROM drive without a disc
//   device <type>               another kind of device (0: a disk) that
//                               takes a place like a drive
//
// Switches of a drive:
//   strict-leadout    a READ CD reaching past the lead-out fails (sense
//                     ILLEGAL REQUEST, LBA out of range), as some drives do
//   read-error=<lba>  a READ CD covering that sector fails (MEDIUM ERROR)
//   hang-read=<lba>   a READ CD covering that sector never completes: its
//                     status stays pending until an SC_ABORT_SRB for it
//   hang-toc          the same for READ TOC
//   async=<ms>        requests complete from a worker thread after ms
//                     milliseconds instead of before SendASPI32Command returns
//
// Devices sit in the order given on host adapter n / 7, target n % 7,
// lun 0; the library reports as many adapters as that needs (at least 1).
//
// Disc images are .cue/.bin pairs: one FILE "<name>.bin" BINARY (a path
// relative to the .cue file's folder, or absolute), then TRACK nn AUDIO
// entries each with INDEX 01 mm:ss:ff (75 frames to the second) giving the
// track's first sector. The .bin holds 2352-byte sectors of 16-bit
// little-endian stereo samples from sector 0; the lead-out starts after its
// last whole sector. tools/cdimage/make-cd-image.sh makes them from WAV files.
//
// Requests it refuses (logged as "bad"): a data direction other than in, a
// command block length other than 10 (READ TOC) or 12 (READ CD), a buffer
// length other than the command asks for (READ TOC: at least the allocation
// length), a buffer not aligned to 16 bytes, a sense length above 16.
//
// Log lines (drives counted from 0 in configuration order; status 1 done,
// 2 aborted, 4 error, 0 still pending):
//   toc drive=<d> status=<s>
//   read drive=<d> lba=<first sector> count=<sectors> status=<s>
//   abort drive=<d> lba=<first sector of the aborted read, or -1> status=<s of the aborted request>
//   bad drive=<d> <reason>
#pragma once
