% The same program for clingo.
e0(1,1).
e0(1,1).
e0(1,1).
e0(0,4).
e0(1,2).
e0(0,3).
e0(1,4).
e1(1).
e1(0).
e1(2).
e1(3).
e2(1,2,2).
e2(1,3,4).
e2(4,3,2).
e2(3,2,0).
e2(2,4,2).
p0(V1,V2,V2) :- p0(V0,V0,V1), not e1(V1), V0 >= 0, V2 = V1 * 1, V2 <= 6, V2 >= 0.
p0(V1,V2,V0) :- e1(V0), e1(V1), e1(V2), not e2(V1,V2,V1), V0 < 1.
p1(V1,V0) :- e0(V0,V1), p1(V0,V2), V3 = V1 - V2, V3 <= 6, V3 >= 0.
aux1(G1_0,V0) :- G1_0 >= 0, G1_0 = V0 - 2, e1(V0), not e1(_), V0 >= V0, G1_0 <= 6.
p2(1,V2,V2) :- p2(V0,V1,V0), e2(V0,V0,V1), e1(V2), not e2(V0,0,V0), V3 = V1 - 2, V3 <= 6, V3 >= 0, aux1(G1_0,_), N1 = #count{AGG : aux1(G1_0,AGG)}.
p2(V0,V0,2) :- e0(V0,V1).
p3(V0,0) :- p1(V0,V0), e1(V0), not e0(2,V0).
aux2(V1) :- not e2(_,V2,V1), e2(V0,V1,V2).
p3(N2,V0) :- e1(V0), V1 = V0 + 1, V1 <= 6, V1 >= 0, N2 = #sum{AGG : aux2(AGG)}.
aux3(V2) :- p0(V0,V1,V2), p1(3,V2), p2(2,V3,V4).
p3(V0,N3) :- p3(4,1), not p1(_,4), e0(V0,V1), N3 = #count{AGG : aux3(AGG)}.
aux4(G4_0,V2) :- e2(V0,G4_0,V2), p0(G4_0,V2,2), not e1(G4_0).
p4(V0,V1) :- e2(V0,V0,V1), not p1(V1,3), V2 = V0 - 2, V2 <= 6, V2 >= 0, aux4(G4_0,_), N4 = #count{AGG : aux4(G4_0,AGG)}.
#show e0/2.
#show e1/1.
#show e2/3.
#show p0/3.
#show p1/2.
#show p2/3.
#show p3/2.
#show p4/2.
