% The same program for clingo.
e0(4,4,1).
e0(1,1,3).
e0(3,1,1).
e1(1).
e1(1).
e1(4).
e1(1).
e1(1).
m_ma(0,3).
m_ma(4,2).
aux1(G1_0,V1) :- m_ma(V0,2), e1(G1_0), V1 <= 4, m_ma(V0,V1).
m_m0(G1_0,N1) :- aux1(G1_0,_), N1 = #sum{AGG : aux1(G1_0,AGG)}.
#show e0/3.
#show e1/1.
#show m_ma/2.
#show m_m0/2.
