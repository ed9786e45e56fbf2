% The same program for clingo.
e0(0,0).
e0(1,4).
e0(3,2).
e0(2,0).
e1(1,3).
e1(4,4).
e1(0,1).
e1(4,4).
e1(2,4).
p0(V2,V3) :- e1(0,V0), e0(V1,V2), e1(V3,V4).
aux1(G1_0,V1) :- e0(G1_0,V1), not e1(_,V1).
p0(1,N1) :- e1(V0,4), e0(V0,V0), not e0(1,V0), V0 > V0, aux1(G1_0,_), N1 = #min{AGG : aux1(G1_0,AGG)}.
p0(V1,V2) :- e1(V0,V1), e0(0,V1), not e1(V1,V1), V2 = V1 - 2, V2 <= 6, V2 >= 0.
p1(V0) :- s_s2(V0,V1), p1(V2), e1(V3,V0), V4 = V0 * 2, V4 <= 6, V4 >= 0.
p1(V2) :- e1(V0,V1), not p0(V1,_), V1 > 1, V2 = V0 * 1, V2 <= 6, V2 >= 0.
aux2(V0) :- e1(V0,V1), e0(V1,V1), not e1(0,_), V2 = V0 * 2, V2 <= 6, V2 >= 0.
s_s2(V0,V0) :- s_s2(V0,V1), e0(V1,V2), p1(V0), V1 > 3, N2 = #sum{AGG : aux2(AGG)}.
#show e0/2.
#show e1/2.
#show p0/2.
#show p1/1.
#show s_s2/2.
