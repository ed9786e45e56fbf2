e0(0).
e0(0).
e0(1).
e0(2).
e0(2).
e0(0).
e0(2).
e1(1,2).
e1(2,2).
e1(3,3).
e1(3,3).
e1(3,3).
e2(1,4).
e2(1,4).
e2(2,4).
isa(1,k0).
isa(4,k0).
isa(3,k1).
isa(4,k1).
isa(1,k2).
isa(2,k2).
isa(1,k2).
sub(k1,k2).
cr(k1).
subc(X,Y) :- sub(X,Y).
subc(X,Z) :- sub(X,Y), subc(Y,Z).
member(X,C) :- isa(X,C).
member(X,C) :- isa(X,D), subc(D,C).
#show member/2.
#show subc/2.
inh_f2(X,0) :- member(X,k2).
p1(V0,V0) :- not e0(V1), p1(V0,V1).
p1(V0,V0) :- not e1(V0,V0), V2 <= 6, V2 = V1 * 1, e2(V0,V1), V2 >= 0.
aux1(V1) :- e2(V0,V0), e0(V0), e1(V0,2), V0 <= V0, V1 = V0 + 2, V1 <= 6, V1 >= 0.
p1(V0,N1) :- e1(V0,V0), V0 >= 2, e2(1,V0), e1(V0,1), not e1(_,V0), N1 = #sum{AGG : aux1(AGG)}, e2(N1,N1).
aux2(G2_0,V1) :- e0(G2_0), e1(2,V1), not e1(3,V1).
m_m2(G2_0,N2) :- aux2(G2_0,_), N2 = #min{AGG : aux2(G2_0,AGG)}.
aux3(G3_0,V1) :- p1(G3_0,V1), m_m2(G3_0,G3_0), not e1(V1,G3_0).
m_m3(G3_0,N3) :- aux3(G3_0,_), N3 = #max{AGG : aux3(G3_0,AGG)}.
aux4(V0) :- e0(V0), e1(V0,1), V0 < 0.
s_s4(V1,V2) :- V2 = V1 + 1, V2 <= 6, s_s4(V0,V1), V2 >= 0, N4 = #count{AGG : aux4(AGG)}.
s_s4(1,V0) :- m_m3(V0,2), p1(V0,V0), p1(V1,0).
aux5(G5_0,V0) :- e1(V0,V0), m_m2(G5_0,V0), e0(V2).
p5(V2,V2) :- member(V0,k0), subc(V0,k1), member(V1,k2), not m_m2(V0,V0), V2 = V0 + 2, V2 <= 6, V2 >= 0, aux5(G5_0,_), N5 = #max{AGG : aux5(G5_0,AGG)}, p1(G5_0,V0).
s_s6(V1,V3) :- s_s6(V0,V1), V3 >= 0, subc(V0,k2), m_m3(V1,V2), V3 = V0 * 2, not member(V2,k0), V2 >= 4, V3 <= 6.
p7(V1,V0) :- e2(V0,V0), subc(V0,k0), not member(V0,k1), V1 = V0 - 1, V1 <= 6, V1 >= 0.
isa(V0,k0) :- e1(V0,V1), not m_m2(V0,V0).
isa(V0,k1) :- member(V0,k1), V0 < V0.
aux6(G6_0,V0) :- e2(V0,V1), p1(G6_0,V0).
isa(G6_0,k1) :- member(V0,k0), e1(V0,V1), aux6(G6_0,_), N6 = #max{AGG : aux6(G6_0,AGG)}.
isa(V0,k1) :- member(V0,k1), subc(V0,k0), m_m2(V0,4).
isa(V0,k2) :- member(V0,k1), inh_f2(V0,V1).
isa(V0,k2) :- e2(V0,V1), subc(V1,k1), not s_s4(V1,V0), V0 <= 4.
#show e0/1.
#show e1/2.
#show e2/2.
#show p1/2.
#show m_m2/2.
#show m_m3/2.
#show s_s4/2.
#show p5/2.
#show s_s6/2.
#show p7/2.
