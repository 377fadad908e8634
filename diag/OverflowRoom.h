#pragma once

// Room on every thread's stack for the crash handling of a stack overflow, in the 64-bit build.
//
// Windows raises a stack overflow with the room that SetThreadStackGuarantee asked for still free. Wine 8
// commits a 64-bit thread's whole stack at once and keeps one guard page at its very bottom, whatever the
// guarantee: the overflow comes with less than a page left, too little to dispatch it, and Wine ends the
// thread before any handler runs. A guard page of our own at the top of the guaranteed room makes Wine
// raise the overflow there instead (it takes any guard page of a thread's stack for the end of its
// committed part), with the room free. Where stacks grow as on Windows that page is not committed yet and
// the guarantee alone does it. The 32-bit build gets its overflows handled without either, and does
// nothing here.

// Gives the calling thread its room, and every thread started from now on.
void ReserveOverflowRoom();
