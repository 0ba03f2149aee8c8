#pragma once
// A traverse file shared by the computation's tests and the window's.

// A square loop A B C D, 100 m sides, on A (1000, 1000, H 50) with the backsight R due south
// (RW5); the angle at B is read 20" too large and the leg B-C 50 mm too long; S1 is a side shot
// from B, 90 degrees right of A. Worked by hand: w = +20", linear misclosure 44.4 mm over
// 400.050 m (1/9020); by the compass rule B goes to 999.9870, 1100.0010 and S1 to 989.9870,
// 1099.9997.
inline constexpr char kSquare[] = "MO,AD0,UN1,AU0\n"
                                  "SP,PNA,N 1000.000,E 1000.000,EL50.000,--CP\n"
                                  "SP,PNR,N 900.000,E 1000.000,EL50.000,--CP\n"
                                  "OC,OPA,N 1000.000,E 1000.000,EL50.000\n"
                                  "LS,HI1.500,HR1.500\n"
                                  "BK,OPA,BPR,BS,BC0.0000\n"
                                  "TR,OPA,FPB,AR180.0000,ZE90.0000,SD100.000\n"
                                  "SS,OPA,FPD,AR270.0000,ZE90.0000,SD100.000\n"
                                  "OC,OPB\n"
                                  "BK,OPB,BPA,BS,BC0.0000\n"
                                  "TR,OPB,FPC,AR270.0020,ZE90.0000,SD100.050\n"
                                  "SS,OPB,FPS1,AR90.0000,ZE90.0000,SD10.000,--TREE\n"
                                  "OC,OPC\n"
                                  "BK,OPC,BPB,BC0.0000\n"
                                  "TR,OPC,FPD,AR270.0000,ZE90.0000,SD100.000\n"
                                  "OC,OPD\n"
                                  "BK,OPD,BPC,BC0.0000\n"
                                  "TR,OPD,FPA,AR270.0000,ZE90.0000,SD100.000\n";
