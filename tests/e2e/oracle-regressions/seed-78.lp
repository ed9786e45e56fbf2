% The same program for clingo.
e0(2).
e0(3).
e0(0).
e0(1).
e1(1,3,3).
e1(4,0,1).
e1(1,2,3).
e1(2,3,1).
e1(1,2,2).
m_ma(1,1).
s_sb(4,4).
s_sb(2,1).
aux1(V0) :- e0(V0), not e1(1,V0,V0), V0 > 3, V1 = V0 - V0, V1 <= 6, V1 >= 0.
s_s0(V1,N1) :- e1(V0,V1,2), m_ma(V2,V0), N1 = #sum{AGG : aux1(AGG)}.
s_s0(V1,V1) :- e0(V0), not s_sb(V0,V0), V1 = V0 + V0, V1 <= 6, V1 >= 0.
s_s1(V0,V0) :- e1(V0,V0,V0), e0(V0), not m_ma(V0,V0), V0 > 2.
aux2(G2_0,V1) :- m_ma(G2_0,G2_0), V1 >= 0, m_ma(0,G2_0), V1 = G2_0 - G2_0, e0(G2_0), V1 <= 6.
s_s1(0,N2) :- p2(V1,V0,V1), V3 >= 0, V3 = V1 * 1, V3 <= 6, s_sb(V2,V1), s_s1(V0,3), aux2(G2_0,_), N2 = #max{AGG : aux2(G2_0,AGG)}.
p2(V1,V1,V1) :- s_sb(V0,V1), V1 <= 4.
p2(V5,V3,V5) :- s_s0(V0,V1), e1(V2,0,V0), p2(V3,V4,V5), not m_ma(V1,V0).
p2(V0,V0,V0) :- V0 >= 2, not m_ma(V0,V0), s_s1(V0,V0).
s_s3(V0,V0) :- m_ma(V0,V0), s_sb(V0,V0), not s_sb(V0,V0).
p4(V1,V2) :- p2(V0,V1,V1), V0 >= V0, V2 = V1 - 1, V2 <= 6, V2 >= 0.
aux3(G3_0,V0) :- s_s3(V0,V1), G3_0 = V1 + V0, G3_0 <= 6, G3_0 >= 0.
s_s5(N3,G3_0) :- s_s3(V0,V2), s_s0(V0,V1), aux3(G3_0,_), N3 = #max{AGG : aux3(G3_0,AGG)}.
aux4(V0) :- s_s3(V0,V0), s_s0(V1,V1).
p6(V0) :- s_s0(V0,V0), s_s5(V1,V1), V0 <= 1, V2 = V1 * 2, V2 <= 6, V2 >= 0, N4 = #count{AGG : aux4(AGG)}.
p6(V0) :- e0(V0), not e1(V0,V0,_).
#show e0/1.
#show e1/3.
#show m_ma/2.
#show s_sb/2.
#show s_s0/2.
#show s_s1/2.
#show p2/3.
#show s_s3/2.
#show p4/2.
#show s_s5/2.
#show p6/1.
