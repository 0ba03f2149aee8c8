#pragma once
// Small instrument files written from the formats' descriptions, with the points they
// must give (worked out by hand: stations at E 100, N 200, H 10 unless said otherwise).
// The reader tests read each one; the detection test runs every one through the detector.

#include "formats/InstrumentData.h"

#include <QString>
#include <QStringList>

#include <cstdio>

struct TFixture {
    const char* Name;
    TInstrumentFormat Format; // the detector's answer; PointLines for none
    const char* Order;        // delimited files: the column order to read them in
    const char* Text;
    const char* Points;   // "ID E N H CODE" with three decimals, joined by "; "
    const char* Problems; // "line: reason", joined by "; "
    const char* Notes;    // the same
    const char* Warnings = ""; // the same
};

inline const TFixture kFixtures[] = {
    {"gsi8 coordinates", TInstrumentFormat::Gsi, "",
     "110001+0000P101 81..00+00100000 82..00+00200000 83..00+00005000 71....+000000ab \r\n"
     "110002+00000102 81..10-00001500 82..10+00002500 83..10+00000000 \r\n",
     "P101 100.000 200.000 5.000 ab; 102 -1.500 2.500 0.000 ", "", ""},
    {"gsi16 station and shots", TInstrumentFormat::Gsi, "",
     "*110001+000000000000STN1 84..00+0000000000100000 85..00+0000000000200000 86..00+0000000000010000 "
     "88..00+0000000000001500 \r\n"
     // Due north in gon, level, 10 m; then due east in ddd.mmsss with 1/10 mm lengths.
     "*110002+0000000000000P01 21.022+0000000000000000 22.022+0000000010000000 31..00+0000000000010000 "
     "87..00+0000000000001500 71....+00000000000000KP \r\n"
     "*110003+0000000000000P02 21.024+0000000009000000 22.024+0000000009000000 31..06+0000000000100000 \r\n",
     "STN1 100.000 200.000 10.000 STN; P01 100.000 210.000 10.000 KP; P02 110.000 200.000 10.000 ", "",
     "1: station 'STN1': no backsight and no shot to a known point: circle readings taken as azimuths"},
    {"gsi blocks sharing a line", TInstrumentFormat::Gsi, "",
     "110001+00000001 21.102+00000000 22.102+10000000 31..00+00000000 "
     "110002+00000002 21.102+10000000 22.102+10000000 31..00+00005000 \r\r\r",
     "2 5.000 0.000 0.000 ", "",
     "1: no station set-up: observations reduced from a local origin 0,0,0; 1: zero distance to '1': not made into a point"},
    {"gsi measurements naming their station", TInstrumentFormat::Gsi, "",
     // A recording mask with 84..86 in every block: the point is the target, and a block
     // without coordinates is reduced from that station.
     "110001+00000007 21.322+00000000 22.322+10000000 31..00+00010000 81..00+00100000 82..00+00210000 "
     "83..00+00010000 84..00+00100000 85..00+00200000 86..00+00010000 88..00+00001500 87..00+00001500 \r\n"
     "110002+00000008 21.322+10000000 22.322+10000000 31..00+00010000 \r\n",
     "7 100.000 210.000 10.000 ; 8 110.000 200.000 10.000 ", "",
     "1: set-up of line 1: no backsight and no shot to a known point: circle readings taken as azimuths"},
    {"gsi framed by STX and ETX", TInstrumentFormat::Gsi, "",
     "\x02*110001+0000000000000P12 81..00+0000000000001000 82..00+0000000000002000 \r\n\x03",
     "P12 1.000 2.000 0.000 ", "", ""},
    // A closed traverse A-B-C-D written from its true coordinates, the circle of each set-up
    // turned by 183, 221 and 351 gon; each set-up backsights the station before it first
    // (B sights A), P1 is in face two. Every point must come out where it truly is.
    {"gsi16 traverse, circles not oriented", TInstrumentFormat::Gsi, "",
     "*110001+000000000000000A 81..06+0000000010000000 82..06+0000000050000000 83..06+0000000001000000 \r\n"
     "*110002+000000000000000B 84..06+0000000011500000 85..06+0000000050200000 86..06+0000000001012000 88..06+0000000000015500 \r\n"
     "*110003+000000000000000A 21.022+0000000010856151 22.022+0000000010048378 31..06+0000000001513318 87..06+0000000000016000 \r\n"
     "*110004+000000000000000C 21.022+0000000035939192 22.022+0000000010057899 31..06+0000000001429417 87..06+0000000000016000 \r\n"
     "*110005+00000000000000P1 21.022+0000000038998711 22.022+0000000029951136 31..06+0000000000716564 87..06+0000000000013000 \r\n"
     "*110006+000000000000000C 84..06+0000000012624000 85..06+0000000049317000 86..06+0000000000998500 88..06+0000000000014800 \r\n"
     "*110007+000000000000000B 21.022+0000000012139192 22.022+0000000009934530 31..06+0000000001429434 87..06+0000000000016000 \r\n"
     "*110008+000000000000000D 21.022+0000000025381203 22.022+0000000009880091 31..06+0000000001385785 87..06+0000000000016000 \r\n"
     "*110009+00000000000000P2 21.022+0000000001426479 22.022+0000000010098240 31..06+0000000000602687 87..06+0000000000013000 \r\n"
     "*110010+000000000000000A 21.022+0000000029521084 22.022+0000000030006339 31..06+0000000002711434 87..06+0000000000016000 \r\n"
     "*110011+000000000000000D 84..06+0000000013902500 85..06+0000000049851000 86..06+0000000001023400 88..06+0000000000015100 \r\n"
     "*110012+000000000000000C 21.022+0000000032381203 22.022+0000000010110263 31..06+0000000001385747 87..06+0000000000016000 \r\n"
     "*110013+00000000000000P3 21.022+0000000006850803 22.022+0000000009820622 31..06+0000000000681505 87..06+0000000000020000 \r\n"
     "*110014+000000000000000B 21.022+0000000035818364 22.022+0000000010027534 31..06+0000000002427739 87..06+0000000000016000 \r\n",
     "A 1000.000 5000.000 100.000 ; B 1150.000 5020.000 101.200 STN; C 1262.400 4931.700 99.850 ; "
     "P1 1120.500 5085.300 100.900 ; D 1390.250 4985.100 102.340 ; P2 1230.700 4880.450 99.100 ; "
     "P3 1410.800 5050.050 103.770 ",
     "",
     "2: station 'B': orientation 164d42'00\" from the mean of 1 shot to known points; "
     "3: check on A: dHD +0.000 m, dH +0.000 m, dHz +0\"; "
     "6: station 'C': orientation 198d54'00\" from the mean of 2 shots to known points; "
     "7: check on B: dHD +0.000 m, dH +0.000 m, dHz +0\"; 10: check on A: dHD +0.000 m, dH +0.000 m, dHz +0\"; "
     "11: station 'D': orientation 315d54'00\" from the mean of 2 shots to known points; "
     "12: check on C: dHD +0.000 m, dH +0.000 m, dHz +0\"; 14: check on B: dHD +0.000 m, dH +0.000 m, dHz +0\""},
    // Its first two set-ups again, C written at 0,0 as instruments write a station they were
    // not told: C stands where B's shot put it.
    {"gsi16 traverse, a later set-up at 0,0", TInstrumentFormat::Gsi, "",
     "*110001+000000000000000A 81..06+0000000010000000 82..06+0000000050000000 83..06+0000000001000000 \r\n"
     "*110002+000000000000000B 84..06+0000000011500000 85..06+0000000050200000 86..06+0000000001012000 88..06+0000000000015500 \r\n"
     "*110003+000000000000000A 21.022+0000000010856151 22.022+0000000010048378 31..06+0000000001513318 87..06+0000000000016000 \r\n"
     "*110004+000000000000000C 21.022+0000000035939192 22.022+0000000010057899 31..06+0000000001429417 87..06+0000000000016000 \r\n"
     "*110005+000000000000000C 84..06+0000000000000000 85..06+0000000000000000 86..06+0000000000000000 88..06+0000000000014800 \r\n"
     "*110006+000000000000000B 21.022+0000000012139192 22.022+0000000009934530 31..06+0000000001429434 87..06+0000000000016000 \r\n"
     "*110007+000000000000000D 21.022+0000000025381203 22.022+0000000009880091 31..06+0000000001385785 87..06+0000000000016000 \r\n",
     "A 1000.000 5000.000 100.000 ; B 1150.000 5020.000 101.200 STN; C 1262.400 4931.700 99.850 ; "
     "D 1390.250 4985.100 102.340 ",
     "",
     "2: station 'B': orientation 164d42'00\" from the mean of 1 shot to known points; "
     "3: check on A: dHD +0.000 m, dH +0.000 m, dHz +0\"; "
     "5: station 'C' at 0,0 in the file: placed where line 4 puts it; "
     "5: station 'C': orientation 198d54'00\" from the mean of 1 shot to known points; "
     "6: check on B: dHD +0.000 m, dH +0.000 m, dHz +0\""},
    // The same job's first two set-ups in GSI-8, ddd.mmss, with a recording mask that repeats
    // the set-up (84..86, 88) in every block and never names the station.
    {"gsi8 set-up in every block", TInstrumentFormat::Gsi, "",
     "110001+0000000A 81..00+01000000 82..00+05000000 83..00+00100000 \r\n"
     "110002+0000000A 21.324+09742193 22.324+09026075 31..00+00151332 87..00+00001600 84..00+01150000 85..00+05020000 86..00+00101200 88..00+00001550 \r\n"
     "110003+0000000C 21.324+32327098 22.324+09031159 31..00+00142942 87..00+00001600 84..00+01150000 85..00+05020000 86..00+00101200 88..00+00001550 \r\n"
     "110004+000000P1 21.324+35059182 22.324+26933368 31..00+00071656 87..00+00001300 84..00+01150000 85..00+05020000 86..00+00101200 88..00+00001550 \r\n"
     "110005+0000000B 21.324+10915098 22.324+08924388 31..00+00142943 87..00+00001600 84..00+01262400 85..00+04931700 86..00+00099850 88..00+00001480 \r\n"
     "110006+0000000D 21.324+22825510 22.324+08855150 31..00+00138578 87..00+00001600 84..00+01262400 85..00+04931700 86..00+00099850 88..00+00001480 \r\n"
     "110007+000000P2 21.324+01250179 22.324+09053030 31..00+00060269 87..00+00001300 84..00+01262400 85..00+04931700 86..00+00099850 88..00+00001480 \r\n"
     "110008+0000000A 21.324+26541231 22.324+27003254 31..00+00271143 87..00+00001600 84..00+01262400 85..00+04931700 86..00+00099850 88..00+00001480 \r\n",
     "A 1000.000 5000.000 100.000 ; C 1262.400 4931.700 99.850 ; P1 1120.500 5085.300 100.900 ; "
     "B 1150.000 5020.000 101.200 ; D 1390.250 4985.100 102.340 ; P2 1230.700 4880.450 99.100 ",
     "",
     "2: set-up of line 2: orientation 164d42'00\" from the mean of 1 shot to known points; "
     "2: check on A: dHD +0.000 m, dH +0.000 m, dHz +0\"; "
     "5: set-up of line 5: orientation 198d54'00\" from the mean of 1 shot to known points; "
     "8: check on A: dHD +0.000 m, dH +0.000 m, dHz +0\""},
    {"gsi awkward words", TInstrumentFormat::Gsi, "",
     "110001+00000001 81..00+0000100a 82..00+00002000 \n"
     "110002+00000002 81..02+00001000 82..00+00002000 \n"
     "110003+00000003 84..00+00001000 \n"
     "110004+00000004 81..00+00001000 82..00+00002000 83..00+00000300 \n"
     "110005+00000005 21.102+00000000 22.102+10000000 31..00-00001000 \n"
     // Coordinates of a shot that measured nothing, and an id at a second place.
     "110006+00000006 21.102+00000000 22.102+10000000 31..00+00000000 81..00+00000000 82..00+00000000 \n"
     "110007+00000004 81..00+00001000 82..00+00002500 \n",
     "4 1.000 2.000 0.300 ; 4 1.000 2.500 0.000 ",
     "1: word 81: '81..00+0000100a' is not a valid value; 2: word 81: unit '2' is not a length unit; "
     "3: station needs both easting (84) and northing (85); 5: negative distance -1.000",
     "6: zero distance to '6': not made into a point; 7: '4' comes out 0.500 m from where line 4 puts it"},

    {"sdr33 gon", TInstrumentFormat::Sdr, "",
     "\x02\r\n"
     "00NMSDR33 V04-04.02     00-000-00 00:00 211111\r\n"
     "01NM:SET5F V01-00    020078                      31\r\n"
     "02TP00000031        200.000         100.000         10.000          1.500           ST\r\n"
     "03NM1.500\r\n"
     "07TP00000031        9               0.0000          0.0000\r\n"
     // Due east; the instrument's own coordinates of the point follow and win.
     "09F100000031        00000009        10.000          100.0000        100.0000        TREE\r\n"
     "08TP00000009        200.001         110.002         10.003          TREE\r\n"
     "08TP10              300.000         400.000                         CURB\r\n"
     "08TP11              3x0.000         400.000\r\n"
     "09F100000031        00000012        -10.000         100.0000        100.0000        X\r\n"
     "\x03"
     "58903\r\n",
     "31 100.000 200.000 10.000 ST; 9 110.002 200.001 10.003 TREE; 10 400.000 300.000 0.000 CURB",
     "10: '3x0.000' is not a valid floating point value; 11: negative distance -10.000",
     "4: station '31': orientation 0d00'00\" from the backsight azimuth"},
    {"sdr2x degrees from the horizon", TInstrumentFormat::Sdr, "",
     "00NMSDR20V03-05         00-000-00 00:00 111121\r\n"
     "01KI1SET2100         123456SET2100         12345612\r\n"
     "02KI   1100.000   200.000   10.000    0.000     STN\r\n"
     // 30 degrees above the horizon, 10 m up the slope, due north.
     "09F1   1   210.000    30.0000   0.0000    TOP\r\n",
     "1 100.000 200.000 10.000 STN; 2 100.000 208.660 15.000 TOP", "",
     "3: station '1': no backsight and no shot to a known point: circle readings taken as azimuths"},

    {"nikon dms", TInstrumentFormat::NikonRaw, "",
     "CO,Nikon RAW data format V2.00\r\n"
     "CO,Dist Units: Metres\r\n"
     "CO,Angle Units: DDDMMSS\r\n"
     "CO,Zero azimuth: North\r\n"
     "CO,Zero VA: Zenith\r\n"
     "CO,Coord Order: NEZ\r\n"
     "MP,1,,200.000,100.000,10.000,ST\r\n"
     "MP,2,,300.000,100.000,0.000,BS\r\n"
     "ST,1,,2,,1.500,0.0000,0.0000\r\n"
     "F1,,1.500,,0.0000,90.0000,13:47:08\r\n"
     "SS,3,1.500,10.000,90.0000,90.0000,14:00:04,P\r\n"
     "*SS,4,1.500,10.000,90.0000,90.0000,14:00:04,P\r\n"
     // 180 deg 30', 30 degrees below the horizon.
     "SS,5,1.500,10.000,180.3000,120.0000,14:00:04,P\r\n",
     "1 100.000 200.000 10.000 ST; 2 100.000 300.000 0.000 BS; 3 110.000 200.000 10.000 P; "
     "5 99.924 191.340 5.000 P",
     "", "9: station '1': orientation 0d00'00\" from the backsight azimuth"},
    {"nikon gon east first", TInstrumentFormat::NikonRaw, "",
     "CO,Nikon RAW data format V2.00\n"
     "CO,Angle Units: Gons\n"
     "CO,Coord Order: ENZ\n"
     "UP,7,,100.000,200.000,10.000,\n"
     "ST,7,,,,0.000,,\n"
     "SS,8,0.000,10.000,100.0000,100.0000,10:00:00,\n"
     "SS,9,0.000,abc,100.0000,100.0000,10:00:00,\n"
     "SS,10,0.000,-5.000,100.0000,100.0000,10:00:00,\n",
     "7 100.000 200.000 10.000 ; 8 110.000 200.000 10.000 ", "7: 'abc' is not a valid floating point value; 8: negative distance -5.000",
     "5: station '7': no backsight and no shot to a known point: circle readings taken as azimuths"},

    {"nikon coordinates labelled YXZ", TInstrumentFormat::NikonRaw, "",
     // X/Y labels with Y (east) first: the ENZ order.
     "CO,Nikon RAW data format V2.00\n"
     "CO,Coord Order: YXZ\n"
     "UP,7,,100.000,200.000,10.000,CP\n",
     "7 100.000 200.000 10.000 CP", "", ""},

    {"rw5 degrees", TInstrumentFormat::Rw5, "",
     "JB,NMTEST,DT06-27-2003,TM14:21:53\r\n"
     "MO,AD0,UN1,SF1.00000000,EC0,EO0.0,AU0\r\n"
     "SP,PN1,N 200.000,E 100.000,EL10.000,--CP\r\n"
     "SP,PN2,N 200.000,E 90.000,EL10.000,--BS\r\n"
     "OC,OP1,N 200.000,E 100.000,EL10.000,--CP\r\n"
     "LS,HI1.500,HR1.500\r\n"
     // The backsight lies due west at circle 0: angle right 90 is due north.
     "BK,OP1,BP2,BS,BC0.0000\r\n"
     "SS,OP1,FP3,AR90.0000,ZE90.0000,SD10.000,--FENCE, WOOD\r\n"
     "--SS,OP1,FP4,AR90.0000,ZE90.0000,SD10.000,--COMMENTED OUT\r\n"
     "SS,OP1,FP5,AZ180.0000,ZE90.0000,HD5.000,--\r\n"
     "SS,OP1,FP6,DR90.0000,VA0.0000,SD10.000,--\xB0\xA1\r\n",
     "1 100.000 200.000 10.000 CP; 2 90.000 200.000 10.000 BS; 3 100.000 210.000 10.000 FENCE, WOOD; "
     "5 100.000 195.000 10.000 ; 6 100.000 190.000 10.000 \xEA\xB0\x80",
     "", "5: station '1': orientation 270d00'00\" from the backsight to '2'"},
    {"rw5 gon from south", TInstrumentFormat::Rw5, "",
     "MO,AD1,UN0,AU1\n"
     "OC,OP10,N 0,E 0,EL0\n"
     "SS,OP10,FP11,AZ0.0000,ZE100.0000,SD10.000,--A\n"
     "SS,OP10,FP12,AR0,ZEabc,SD10.000\n"
     // A quadrant bearing says its own quadrant, whatever the azimuths count from.
     "SS,OP10,FP13,BRN50.0000E,ZE100.0000,SD10.000,--B\n"
     "SS,OP10,FP14,AZ0.0000,ZE100.0000,SD-10,--C\n",
     "10 0.000 0.000 0.000 STN; 11 0.000 -10.000 0.000 A; 13 7.071 7.071 0.000 B",
     "4: 'abc' is not a valid angle; 6: negative distance -10.000", "1: lengths in feet: taken as given"},

    {"rw5 angle set", TInstrumentFormat::Rw5, "",
     "OC,OP1,N 200.000,E 100.000,EL10.000\n"
     "BK,OP1,BP,BS0.0000,BC0.0000\n"
     "BD,OP1,FP9,AR0.0000,ZE90.0000,SD50.000\n"
     // Face one and face two of one target: one point, their mean.
     "FD,OP1,FP2,AR90.0000,ZE90.0000,SD10.000\n"
     "FR,OP1,FP2,AR270.0000,ZE270.0000,SD10.002\n",
     "1 100.000 200.000 10.000 STN; 2 110.001 200.000 10.000 ", "",
     "1: station '1': orientation 0d00'00\" from the backsight azimuth"},

    {"are gon", TInstrumentFormat::Are, "",
     "5=1000\n37=200.000\n38=100.000\n39=10.000\n0=Measured point\n"
     "2=1000\n3=1.500\n62=1\n37=200.000\n38=110.000\n39=10.000\n21=100.0000\n"
     "5=1\n4=TEST\n6=1.500\n7=100.0000\n8=100.0000\n9=10.000\n"
     "5=2\n4=FIX\n6=1.500\n7=100.0000\n8=100.0000\n9=10.000\n37=200.001\n38=110.002\n39=10.003\n"
     "5=3\n37=1.000\n"
     "5=4\n9=x\n"
     "5=5\n7=1\n8=100\n9=-10\n",
     "1000 100.000 200.000 10.000 ; 1 110.000 200.000 10.000 TEST; 2 110.002 200.001 10.003 FIX",
     "28: a coordinate is missing; 31: 'x' is not a valid floating point value; 32: negative distance -10.000", "6: station '1000': orientation 0d00'00\" from the backsight azimuth; 12: the file names no angle unit: gon taken"},

    {"gts7", TInstrumentFormat::Gts7, "",
     "JOB    TEST,\r\n"
     "UNITS  M,D\r\n"
     "STN    1,1.500,ST\r\n"
     "XYZ    100.000,200.000,10.000\r\n"
     // Backsight azimuth 90 at circle 0.
     "BKB    2,90.0000,0.0000\r\n"
     "BS     2,1.500\r\n"
     "SD     0.0000,90.0000,10.000\r\n"
     "SS     3,1.500,TREE\r\n"
     "SD     90.0000,90.0000,10.000\r\n"
     "SS     4,1.500,\r\n"
     "HD     270.0000,10.000,2.000\r\n"
     "PT     5,CP\r\n"
     "NEZ    300.000,400.000,5.000\r\n"
     "SS     6,1.500,X\r\n"
     "NOTE   the observation of 6 is missing\r\n"
     "SS     7,1.500,Y\r\n"
     "SD     abc,90.0000,10.000\r\n",
     "1 100.000 200.000 10.000 ST; 2 110.000 200.000 10.000 ; 3 100.000 190.000 10.000 TREE; "
     "4 100.000 210.000 12.000 ; 5 400.000 300.000 5.000 CP",
     "14: no observation line after '6'; 17: 'abc' is not a valid angle",
     "3: station '1': orientation 90d00'00\" from the backsight azimuth"},

    {"delimited pnezd", TInstrumentFormat::PointLines, "PNEZD",
     "Point,Northing,Easting,Elevation,Description\r\n"
     "1,200.0,100.0,10.0,\"FENCE POST\"\r\n"
     "2,300.0,400.0,,CURB\r\n"
     "\r\n"
     "3,x,1,2,BAD\r\n"
     "4,5\r\n",
     "1 100.000 200.000 10.000 FENCE POST; 2 400.000 300.000 0.000 CURB",
     "5: 'x' is not a valid floating point value; 6: needs 3 fields, has 2", ""},
    {"delimited first line faulty", TInstrumentFormat::PointLines, "PNEZD", "1,2OO.0,100.0,10,A\n2,300,400,5,B\n",
     "2 400.000 300.000 5.000 B", "1: '2OO.0' is not a valid floating point value", ""},
    {"delimited quoted fields holding separators", TInstrumentFormat::PointLines, "PNEZD",
     "1,200,100,10,\"FENCE, WOOD\"\n2;300;400;5;\"EP, CURB\"\n3,1,2,3,\"5/8\"\"IRW\"\n",
     "1 100.000 200.000 10.000 FENCE, WOOD; 2 400.000 300.000 5.000 EP, CURB; 3 2.000 1.000 3.000 5/8\"IRW", "",
     ""},
    {"delimited penzd tabs", TInstrumentFormat::PointLines, "PENZD", "1\t100\t200\t10\tA\n2\t-5\t-6\n",
     "1 100.000 200.000 10.000 A; 2 -5.000 -6.000 0.000 ", "", ""},
};

inline QString pointsText(const TInstrumentResult& r) {
    QStringList out;
    for (const TSurveyPoint& p : r.Points) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f ", p.E, p.N, p.H);
        out << QString::fromStdString(p.Id) + " " + buf + QString::fromStdString(p.Code);
    }
    return out.join("; ");
}

inline QString messagesText(const std::vector<TLineMessage>& messages) {
    QStringList out;
    for (const TLineMessage& m : messages)
        out << QString::number(m.Line) + ": " + QString::fromStdString(m.Text);
    return out.join("; ");
}

inline TFormatChoice fixtureChoice(const TFixture& f) {
    return *f.Order ? TFormatChoice{TInstrumentFormat::Delimited, f.Order} : TFormatChoice{f.Format, {}};
}
