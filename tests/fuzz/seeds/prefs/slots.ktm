[Setup]
DocCt=3
CommCt=3
[Pgm_1]
Name=one.vxt
[Pgm_2]
Name=two.vxt
[Pgm_3]
Name=three.vxt
[Comm_1]
Name=Axis X
[Comm_2]
Name=Axis Y
[Comm_3]
Name=Axis Z
Port=3
