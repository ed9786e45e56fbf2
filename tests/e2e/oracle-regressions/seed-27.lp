% The same program for clingo.
e0(2,1,0).
e0(0,2,4).
e0(2,2,2).
e0(3,1,1).
e1(0).
e1(4).
e1(0).
e1(4).
e1(3).
e2(0,3).
e2(2,0).
e2(3,2).
e2(1,4).
e2(2,4).
e2(1,4).
e2(1,0).
aux1(V0) :- V0 >= V0, e0(V0,V0,V0), not e2(2,V0).
s_s0(N1,V0) :- s_s0(V0,V0), not e1(V0), V0 <= V0, N1 = #count{AGG : aux1(AGG)}.
aux2(V0) :- e0(V0,V0,V0), e1(3), not e2(V0,V0).
s_s0(V0,N2) :- not e1(V0), V0 > 2, s_s0(V0,V0), N2 = #count{AGG : aux2(AGG)}.
aux3(V1) :- e2(V0,V1), not e1(V0), V0 > V1.
s_s0(V0,V0) :- e0(V0,V0,V0), e1(V1), V2 = V0 - 2, V2 <= 6, V2 >= 0, aux3(_), N3 = #max{AGG : aux3(AGG)}.
p1(V0,V1) :- e1(4), s_s0(V0,V0), e2(V1,V2).
p1(V1,V3) :- s_s0(V0,V1), e1(V2), s_s2(V2,V3), V1 <= V2.
p1(V0,V0) :- e2(V0,V3), e0(V0,V1,V2), e0(V0,V0,V1).
s_s2(V0,V0) :- s_s0(V0,0), p1(2,V1), not e1(_).
s_s2(V0,V2) :- s_s0(V0,V0), p1(V0,V1), V2 = V1 * 2, V2 <= 6, V2 >= 0.
s_s2(V0,V0) :- p3(V0), s_s2(V0,V0), not e1(V0), V0 < 3.
aux4(V0) :- e1(3), s_s0(4,V0), e0(V0,V0,V0).
p3(V2) :- s_s2(V0,V1), e0(V2,V1,V2), not e2(V0,V0), aux4(_), N4 = #max{AGG : aux4(AGG)}.
aux5(G5_0,V1) :- p1(G5_0,3), s_s0(G5_0,2), V1 = G5_0 + 2, V1 <= 6, V1 >= 0.
m_m4(G5_0,N5) :- aux5(G5_0,_), N5 = #sum{AGG : aux5(G5_0,AGG)}.
#show e0/3.
#show e1/1.
#show e2/2.
#show s_s0/2.
#show p1/2.
#show s_s2/2.
#show p3/1.
#show m_m4/2.
