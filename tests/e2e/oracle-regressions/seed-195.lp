% The same program for clingo.
e0(1).
e0(1).
e0(3).
e0(0).
e0(2).
e0(4).
e0(4).
e1(2).
e1(2).
e1(1).
e1(0).
e1(4).
e1(4).
e1(3).
e2(0,1,0).
e2(0,4,0).
e2(0,1,4).
p0(0,V0) :- e2(V0,V1,V2), not e2(V1,V0,V2), V1 <= 1, V3 = V2 - 1, V3 <= 6, V3 >= 0.
aux1(G1_0,V0) :- e2(V0,G1_0,V2), V0 >= G1_0.
p0(V2,V0) :- e2(V0,V0,V0), e0(V1), e1(V0), not e0(V1), V0 <= 2, V2 = V1 - V1, V2 <= 6, V2 >= 0, aux1(G1_0,_), N1 = #max{AGG : aux1(G1_0,AGG)}.
p0(V1,V2) :- e2(V0,V1,V0), not e1(V1), V2 = V1 + V0, V2 <= 6, V2 >= 0.
aux2(V1) :- V2 = V0 - 2, V2 <= 6, e2(V0,V1,V1), V2 >= 0.
p1(V0,V0) :- e1(V0), p0(0,V0), e2(V0,V1,V0), N2 = #count{AGG : aux2(AGG)}.
p1(V0,V0) :- p1(V0,V0), e2(V0,V1,V1).
#show e0/1.
#show e1/1.
#show e2/3.
#show p0/2.
#show p1/2.
