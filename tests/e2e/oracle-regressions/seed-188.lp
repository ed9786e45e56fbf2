% The same program for clingo.
e0(1,0).
e0(2,3).
e1(2,2).
e1(0,0).
e1(0,4).
e1(3,3).
m_ma(2,2).
m_ma(0,3).
s_sb(4,0).
s_sb(1,0).
s_sb(1,4).
s_sb(1,2).
p0(V1,V4,V0) :- e1(V0,V1), s_s1(V2,V3), not e0(V3,V1), V4 = V3 * 1, V4 <= 6, V4 >= 0.
aux1(V0) :- e0(0,V0), m_ma(V1,V0).
s_s1(V0,V0) :- m_ma(V0,V1), V2 = V1 * 2, V2 <= 6, V2 >= 0, N1 = #sum{AGG : aux1(AGG)}.
aux2(G2_0,V0) :- s_sb(V0,V0), not s_sb(V0,G2_0), m_ma(V0,G2_0).
s_s1(G2_0,V0) :- p0(0,V0,3), p0(V1,V0,V2), s_s1(V3,V2), not s_sb(V2,V2), aux2(G2_0,_), N2 = #sum{AGG : aux2(G2_0,AGG)}.
p2(V1) :- V1 = V0 * 2, p2(V0), V1 >= 0, V0 <= 1, V1 <= 6, s_sb(V0,V0).
aux3(V1) :- e0(4,1), e0(V1,V2), not e0(V2,V1), s_sb(3,V0).
p2(V0) :- e1(V1,V2), V1 < 1, s_s1(V0,V0), s_s1(V0,V0), aux3(_), N3 = #min{AGG : aux3(AGG)}.
s_s3(V0,V0) :- s_s3(V0,4), not p2(V0), p2(V0).
#show e0/2.
#show e1/2.
#show m_ma/2.
#show s_sb/2.
#show p0/3.
#show s_s1/2.
#show p2/1.
#show s_s3/2.
