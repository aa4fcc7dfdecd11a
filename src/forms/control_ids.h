#pragma once
// Control ids of the forms, the one home of these numbers. A control's object name is "ctl<id>"
// (tests and the editing tour find controls by it), so the values are fixed: a new control takes a
// free number, an existing one keeps its own. Some numbers serve several forms (582 is the second
// name of an observation form and the control list of the theodolite setup); each form has its own
// name for it.

namespace kivo::forms::ctl {

// ---- Buttons every form shares --------------------------------------------------------------
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Help = 998;
// A label nobody reads back: it gets no object name.
constexpr int Unnamed = -1;
// No control at all (a list without a caption above it).
constexpr int NoControl = 0;

// ---- Project Info -----------------------------------------------------------------------------
constexpr int ProjectName = 421;
constexpr int ProjectTask = 422;
constexpr int ProjectDate = 423;

// ---- Parameter Info ---------------------------------------------------------------------------
// Limits, row by row (x, y, z in stored order), each row Min, Max, Default: LimitXMin + 3 * row + column.
constexpr int LimitXMin = 441;
constexpr int LimitXMax = 442;
constexpr int LimitXDef = 443;
constexpr int LimitYMin = 444;
constexpr int LimitYMax = 445;
constexpr int LimitYDef = 446;
constexpr int LimitZMin = 447;
constexpr int LimitZMax = 448;
constexpr int LimitZDef = 449;
constexpr int AxesXyz = 450;
constexpr int AxesZxy = 451;
// Unit radios in the order of the stored unit: UnitsMeters + units.
constexpr int UnitsMeters = 453;
constexpr int UnitsMm = 454;
constexpr int UnitsFeet = 455;
constexpr int UnitsInches = 456;
// Axis letters in front of the limit rows (the third row's caption has the lower number).
constexpr int LimitRow1Caption = 459;
constexpr int LimitRow3Caption = 460;
constexpr int LimitRow2Caption = 461;

// ---- Display Info -----------------------------------------------------------------------------
// The three object scale rows: caption ("X:  1 cm ="), edit, unit; each numbered first row + axis.
constexpr int Scale1Caption = 481;
constexpr int Scale2Caption = 482;
constexpr int Scale3Caption = 483;
constexpr int Scale1 = 484;
constexpr int Scale2 = 485;
constexpr int Scale3 = 486;
constexpr int Scale1Unit = 487;
constexpr int Scale2Unit = 488;
constexpr int Scale3Unit = 489;
constexpr int EllScaleCaption = 490;
constexpr int EllScale = 491;
constexpr int EllScaleUnit = 492;
constexpr int ShowBoundary = 493;
constexpr int ShowHGrid = 494;
constexpr int HGridInterval = 495;
constexpr int HGridUnit = 496;
constexpr int ShowVGrid = 497;
constexpr int VGridInterval = 498;
constexpr int VGridUnit = 499;
// The tolerance the views judge (session only): edit and unit, and the confidence radios.
constexpr int Tolerance = 1710;
constexpr int ToleranceUnit = 1711;
constexpr int Confidence68 = 1712;
constexpr int Confidence95 = 1713;

// ---- Theodolite, Point and Scale Bar Info -----------------------------------------------------
constexpr int ElemName = 681;
constexpr int ElemAbbrev = 101;
constexpr int TheoPos = 501;
constexpr int TheoNumber = 502;
// Coordinate rows 1..3: caption ("X value"), edit, and the Fix, Apx, Unk radios (Fix + 1, Fix + 2).
constexpr int Coord1Caption = 685;
constexpr int Coord1 = 682;
constexpr int Coord1Fix = 686;
constexpr int Coord1Apx = 687;
constexpr int Coord1Unk = 688;
constexpr int Coord2Caption = 689;
constexpr int Coord2 = 683;
constexpr int Coord2Fix = 690;
constexpr int Coord2Apx = 691;
constexpr int Coord2Unk = 692;
constexpr int Coord3Caption = 693;
constexpr int Coord3 = 684;
constexpr int Coord3Fix = 694;
constexpr int Coord3Apx = 695;
constexpr int Coord3Unk = 696;
// A theodolite's rotation rows 1..3, laid out like the coordinate rows.
constexpr int Rot1Caption = 503;
constexpr int Rot1 = 506;
constexpr int Rot1Fix = 697;
constexpr int Rot1Apx = 698;
constexpr int Rot1Unk = 699;
constexpr int Rot2Caption = 504;
constexpr int Rot2 = 507;
constexpr int Rot2Fix = 700;
constexpr int Rot2Apx = 701;
constexpr int Rot2Unk = 702;
constexpr int Rot3Caption = 505;
constexpr int Rot3 = 508;
constexpr int Rot3Fix = 703;
constexpr int Rot3Apx = 704;
constexpr int Rot3Unk = 705;
constexpr int EllipseButton = 509;
constexpr int SBarLength = 521;
constexpr int SBarAzimuth = 522;
constexpr int SBarVertAngle = 523;

// ---- Ellipse Data -----------------------------------------------------------------------------
// Planes 1..3 (first-second, first-third, second-third axis): caption, then A, B, Phi
// (EllA1 + 3 * plane + column).
constexpr int Plane1Caption = 541;
constexpr int Plane2Caption = 542;
constexpr int Plane3Caption = 543;
constexpr int EllA1 = 544;
constexpr int EllB1 = 545;
constexpr int EllPhi1 = 546;
constexpr int EllA2 = 547;
constexpr int EllB2 = 548;
constexpr int EllPhi2 = 549;
constexpr int EllA3 = 550;
constexpr int EllB3 = 551;
constexpr int EllPhi3 = 552;

// ---- Standard Deviations & Weights ------------------------------------------------------------
// In the order the form reads them back: SDTheoLocFix + k.
constexpr int SDTheoLocFix = 561;
constexpr int SDTheoLocApx = 562;
constexpr int SDTheoLocUnk = 563;
constexpr int SDTheoRotFix = 564;
constexpr int SDTheoRotApx = 565;
constexpr int SDTheoRotUnk = 566;
constexpr int SDPointLocFix = 567;
constexpr int SDPointLocApx = 568;
constexpr int SDPointLocUnk = 569;
constexpr int SDSBarLength = 570;
constexpr int SDHorzAngle = 571;
constexpr int SDVertAngle = 572;
constexpr int SDDistance = 573;
constexpr int SDHeight = 574;

// ---- Observation lists and their Add / Modify forms --------------------------------------------
// The two element names at the top ("From :" / "To :", "Theodolite A :" / "Theodolite B :"...).
constexpr int ObsNameA = 581;
constexpr int ObsNameB = 582;
// Add / Modify: the type drop-down ("Direct", "Reverse") and the value edits.
constexpr int ObsType = 583;
constexpr int ObsHorz = 584; // horizontal angle; a scale bar's left end
constexpr int ObsHorzRight = 585;
constexpr int ObsVert = 586; // vertical angle; a scale bar's left end
constexpr int ObsVertRight = 587;
constexpr int ObsValue = 624; // a distance or height difference
// A list form with one list: list and its buttons.
constexpr int ObsList = 588;
constexpr int ObsAdd = 589;
constexpr int ObsModify = 590;
constexpr int ObsDelete = 591;
// Collimations: the list of A's sightings of B, then B's of A, each with a caption and buttons.
constexpr int CollAToBCaption = 592;
constexpr int CollAToBList = 593;
constexpr int CollAToBAdd = 594;
constexpr int CollAToBModify = 595;
constexpr int CollAToBDelete = 596;
constexpr int CollBToACaption = 597;
constexpr int CollBToAList = 598;
constexpr int CollBToAAdd = 599;
constexpr int CollBToAModify = 600;
constexpr int CollBToADelete = 601;

// ---- Adjustment Info --------------------------------------------------------------------------
constexpr int AdjIdeals = 661;
constexpr int AdjRecalc = 662;
constexpr int AdjAutosave = 663;
constexpr int AdjIterLimit = 664;
constexpr int AdjDimension = 666;

// ---- Theodolite Setup -------------------------------------------------------------------------
constexpr int SetupTheos = 721;
constexpr int SetupControls = 582;
constexpr int SetupActive = 722;
constexpr int SetupInactive = 723;
constexpr int SetupManual = 724;
constexpr int SetupAuto = 725;

} // namespace kivo::forms::ctl
