% The same program for clingo.
e0(1,4,4).
e0(0,2,1).
e0(4,4,1).
e0(2,3,0).
e0(0,3,4).
e1(0,3).
e1(3,1).
e1(1,1).
e1(0,3).
e1(4,3).
e1(0,4).
m_ma(1,3).
m_ma(4,2).
s_s0(V0,V0) :- e1(V0,V0).
s_s0(V1,V0) :- s_s0(V0,V0), V1 = V0 * 2, V1 <= 6, V1 >= 0.
s_s0(V1,V1) :- e1(V0,V0), e1(V1,V1), V1 <= V0.
p1(V3) :- e0(V4,V3,V0), e1(V0,V1), not e0(V2,V2,V1), e1(V2,V3).
aux1(V1) :- e1(V0,V1), V1 >= 4.
p1(N1) :- m_ma(V0,V0), N1 = #sum{AGG : aux1(AGG)}, e0(V0,N1,N1).
p1(V0) :- e1(V0,V0), V1 = V0 * 1, V1 <= 6, V1 >= 0.
aux2(G2_0,V0) :- s_s0(V0,G2_0), s_s0(V0,V0), not e1(G2_0,V0).
p2(3) :- p2(V0), p3(V1,V2), s_s0(V2,V3), not e1(V1,V0), aux2(G2_0,_), N2 = #max{AGG : aux2(G2_0,AGG)}.
aux3(V0) :- e1(V0,V0), p1(V1), p1(V0).
p3(V3,V2) :- e1(V0,V0), s_s0(V1,V2), not m_ma(V0,V2), V3 = V1 * 1, V3 <= 6, V3 >= 0, N3 = #sum{AGG : aux3(AGG)}.
aux4(V1) :- s_s0(V0,V1).
p3(N4,N4) :- p3(V0,V0), e1(V0,V0), s_s0(V1,V1), not e0(2,V1,V1), V1 <= 1, N4 = #count{AGG : aux4(AGG)}, p3(V1,V0).
p3(V0,1) :- p2(V1), s_s0(V0,1).
#show e0/3.
#show e1/2.
#show m_ma/2.
#show s_s0/2.
#show p1/1.
#show p2/1.
#show p3/2.
