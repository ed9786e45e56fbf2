% The same program for clingo.
e0(0,1,2).
e0(1,1,2).
e0(2,3,0).
e0(4,1,0).
e0(1,4,3).
e0(0,1,4).
e1(2,2).
e1(1,4).
e2(0,3,0).
e2(2,2,1).
e2(1,2,1).
e2(4,2,2).
e2(3,1,4).
e2(1,3,3).
m_ma(4,4).
m_ma(1,4).
s_sb(4,2).
s_sb(0,1).
s_sb(1,3).
s_sb(3,0).
aux1(G1_0,V3) :- V3 >= 0, m_ma(V0,V2), not e1(_,G1_0), V3 <= 6, m_ma(G1_0,V0), V3 = V0 - 1, m_ma(V0,G1_0).
m_m0(G1_0,N1) :- aux1(G1_0,_), N1 = #min{AGG : aux1(G1_0,AGG)}.
p1(V2,0) :- e0(V0,V1,V2), not e1(V0,V0), V1 >= 3.
aux2(V0) :- e0(V0,V0,V0), e1(V0,V0).
p1(V0,0) :- m_ma(V0,2), s_sb(V1,V0), s_sb(0,V0), V1 <= 2, aux2(_), N2 = #max{AGG : aux2(AGG)}.
p1(V1,V0) :- e2(V0,V1,V2), not s_sb(V1,V1), V2 < 1.
aux3(G3_0,V1) :- V1 = G3_0 - G3_0, m_ma(G3_0,G3_0), m_ma(G3_0,G3_0), V1 >= 0, s_sb(0,G3_0), V1 <= 6, not m_ma(G3_0,G3_0).
p2(G3_0,N3,N3) :- e0(V0,V0,V0), p1(V0,V1), aux3(G3_0,_), N3 = #max{AGG : aux3(G3_0,AGG)}.
p2(V1,V0,V0) :- e2(V0,V1,V2), not s_sb(V2,V1), V1 > 1.
aux4(V1) :- m_ma(4,V0), p2(V0,V1,V2), e2(V1,V3,V3), V0 >= 1, V4 = V3 - 1, V4 <= 6, V4 >= 0.
s_s5(N4,V1) :- e1(2,V0), p2(V0,V1,V2), N4 = #count{AGG : aux4(AGG)}.
s_s5(V1,V0) :- s_s5(V0,V1), not p2(V0,V1,V0).
s_s5(V1,V0) :- e0(V0,V0,V1), not p2(V0,V1,V1).
#show e0/3.
#show e1/2.
#show e2/3.
#show m_ma/2.
#show s_sb/2.
#show m_m0/2.
#show p1/2.
#show p2/3.
#show p4/1.
#show s_s5/2.
